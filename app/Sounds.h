#pragma once
// Move sounds: played without waiting, a new one replacing one still playing. Without an audio
// device they are silent; nothing is ever reported.
#include <map>
#include <memory>
#include <string>

class QSoundEffect;

namespace velk {

class ISoundPlayer {
public:
    virtual ~ISoundPlayer() = default;
    // Name is one of "SIMPLE_MOVE", "ATTACK_MOVE" and "PROMOTE".
    virtual void Play(const std::string& Name) = 0;
    virtual void StopAll() = 0;
};

class TSoundEffects : public ISoundPlayer {
public:
    TSoundEffects();
    ~TSoundEffects() override;
    void Play(const std::string& Name) override;
    void StopAll() override;

private:
    std::map<std::string, std::unique_ptr<QSoundEffect>> FEffects;
    QSoundEffect* FPlaying = nullptr;
};

}  // namespace velk
