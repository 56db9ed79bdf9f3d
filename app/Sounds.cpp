#include "Sounds.h"

#include <QSoundEffect>
#include <QUrl>

namespace velk {

TSoundEffects::TSoundEffects() = default;

TSoundEffects::~TSoundEffects()
{
    StopAll();
}

void TSoundEffects::Play(const std::string& Name)
{
    auto& effect = FEffects[Name];
    if (!effect) {
        // Created on first use, so that a game played without sounds never opens the audio device.
        effect = std::make_unique<QSoundEffect>();
        effect->setSource(QUrl(QStringLiteral("qrc:/sounds/%1").arg(QString::fromStdString(Name))));
    }
    if (FPlaying && FPlaying != effect.get())
        FPlaying->stop();
    effect->stop();
    effect->play();
    FPlaying = effect.get();
}

void TSoundEffects::StopAll()
{
    for (auto& [name, effect] : FEffects)
        if (effect)
            effect->stop();
    FPlaying = nullptr;
}

}  // namespace velk
