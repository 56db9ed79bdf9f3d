// velk-checkers-engine: the game engine from a terminal, for players who analyse positions and
// for anyone checking or timing the engine. Here: the help texts and the dispatch to the
// commands, each of which has a file of its own (Options.h names them).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "EgdbCommand.h"
#include "Options.h"
#include "PdnCommands.h"
#include "platform/FileStream.h"

using namespace velk;

namespace {

constexpr const char* PROGRAM = "velk-checkers-engine";

const std::map<std::string, std::string> Help = {
    {"", "usage: velk-checkers-engine COMMAND [ARGS] [POSITION]\n"
         "\n"
         "Commands:\n"
         "  moves              the legal moves in list order\n"
         "  perft DEPTH        count the positions DEPTH plies ahead\n"
         "  divide DEPTH       perft split by root move\n"
         "  search DEPTH       the move the computer chooses at DEPTH plies\n"
         "  search --level L   the move the computer chooses at a level (expert: for a time)\n"
         "  report             the position diagram and the numbered move list\n"
         "  bench              search a fixed set of positions and time it\n"
         "  selfplay           the computer plays itself to the end of the game\n"
         "  match --a L --b L  two levels play each other from many openings\n"
         "  book build|probe   build the opening book, or show its entry for a position\n"
         "  show FILE.ckr      what a saved game holds\n"
         "  pdn FILE.pdn       replay every game of a PDN file, one line each\n"
         "  convert IN OUT     convert a game between .ckr and .pdn\n"
         "  analyze FILE       go over a game with the engine and mark its mistakes\n"
         "  egdb build|probe|verify  the endgame tables: build them, look a position up, check\n"
         "\n"
         "POSITION (default: the initial position, Black to move):\n"
         "  --fen \"B:W21,22,K30:B1,2,K5\"    side to move, then White's and Black's squares;\n"
         "                                  K marks a king, ranges like 1-12 are allowed\n"
         "  --board TEXT [--turn black|white] 32 characters for squares 1-32:\n"
         "                                  b B black man/king, w W white man/king, space empty\n"
         "\n"
         "'velk-checkers-engine COMMAND --help' describes one command; --version names the\n"
         "release. Bad input, and a transposition table that cannot be allocated, exit with 2."},
    {"pdn", "usage: velk-checkers-engine pdn FILE.pdn\n"
            "Replays every game of a PDN file (Portable Draughts Notation, English draughts), checking\n"
            "each move, and prints one line per game: 'N: PLIES RESULT FEN' (the game's number from\n"
            "1, its half-moves, its result as written or *, its final position), or 'N: error:\n"
            "MESSAGE'. Exits with 2 when any game could not be read."},
    {"convert", "usage: velk-checkers-engine convert IN OUT\n"
                "Converts one game between a Velk Checkers game file (.ckr) and PDN (.pdn), as the\n"
                "names end. From a PDN file with several games the first is converted. PDN results\n"
                "are written from the first mover's side: 1-0 Black (Red) won, 0-1 White won."},
    {"analyze", "usage: velk-checkers-engine analyze FILE [--game N] [--movetime SECONDS] [--pdn OUT]\n"
                "                                      [--memory BYTES] [--threads N] [--egdb DIR|none]\n"
                "Goes over a game (a .ckr game file, or game N, default 1, of a PDN file) with the Expert\n"
                "search: every position for SECONDS (default 1), and a move that is not the engine's\n"
                "choice half as long again, weighed against that choice in one search. Prints a line\n"
                "per half-move, Red's as '12. 11-15' and White's as '12... 22-18', with the score after\n"
                "it from Red's side in men, the engine's better move and its score, and the move's\n"
                "class: '12... 22-18  -0.45  best 23-19 +0.10  mistake'. A move losing a quarter of a\n"
                "man is an inaccuracy, half a man a mistake, nine tenths a blunder; giving up a known\n"
                "win, or walking into a known loss, is at least a mistake. Then each side's count of\n"
                "inaccuracies, mistakes and blunders. --pdn OUT writes the game as PDN with the\n"
                "analysis in comments and marks. --memory, --threads and --egdb as for search. A file\n"
                "that cannot be read exits with 2."},
    {"moves", "usage: velk-checkers-engine moves [POSITION]\n"
              "Prints the legal moves of the side to move, one per line, in the engine's list order\n"
              "(captures longest first), in two-digit notation: 12-16, 01-10-17. A position without\n"
              "a legal move prints nothing and says 'no legal move' on standard error."},
    {"perft", "usage: velk-checkers-engine perft DEPTH [POSITION]\n"
              "Counts the positions reached after DEPTH plies (a whole multi-capture is one ply).\n"
              "First line: perft(DEPTH) = N; then the time and the rate. The last ply is counted\n"
              "without making the moves or listing them (bulk counting)."},
    {"divide", "usage: velk-checkers-engine divide DEPTH [POSITION]\n"
               "Like perft, one line per root move in list order (12-16: N), then the total."},
    {"search", "usage: velk-checkers-engine search DEPTH [--memory BYTES | --game-memory] [--after] [POSITION]\n"
               "       velk-checkers-engine search --level LEVEL [--movetime SECONDS] [--memory BYTES]\n"
               "                                   [--threads N] [--seed N | --no-book] [--egdb DIR|none]\n"
               "                                   [--after] [POSITION]\n"
               "Searches DEPTH plies (1-64) with the game's own search, on a fresh transposition\n"
               "table of BYTES (default 1048576, the engine's own default; the game gives it a tenth\n"
               "of the machine's memory unless told otherwise, which --game-memory uses here).\n"
               "Prints 'bestmove MOVE', 'score N' (from the side to move's view; a won position\n"
               "scores above 999936), then nodes, the search's time and rate, and last the table's\n"
               "size and the time spent clearing it, which is not part of the search's time.\n"
               "Equal best moves are chosen at random, as in the game. --after adds 'after FEN', the\n"
               "position the move leads to, after 'bestmove' (so a script can play the tool as a\n"
               "match's driver).\n"
               "--level easy, medium, difficult or depth:N searches as above at 4, 8, 12 or N plies.\n"
               "--level expert searches as the Expert level does: deeper and deeper until SECONDS\n"
               "have passed (default 1; 0.001-3600), with a table of BYTES (default 67108864, the\n"
               "most it takes and what the game gives it). It also prints 'depth D', the last depth\n"
               "finished; its score is in hundredths of a man (a won position scores above 29000).\n"
               "With a single legal move it answers at once with depth 0. Otherwise it searches for\n"
               "the whole of SECONDS, never longer.\n"
               "--threads N searches with N threads (default: one per core). Last come the threads\n"
               "and the time spent making the table, before the search's time began and not part\n"
               "of it. In a position of the opening book it plays a book move instead and says 'book'\n"
               "(depth 0): moves scored nearly alike are drawn by --seed N (default: a new seed each\n"
               "time); --no-book always searches. Positions of up to 5 pieces are looked up in the\n"
               "endgame tables the game built (egdb build), or in those of folder DIR, all of them;\n"
               "loading them is timed apart. none: no tables."},
    {"report", "usage: velk-checkers-engine report [POSITION]\n"
               "Prints the position as a diagram with the square numbers beside it, then the\n"
               "numbered list of legal moves."},
    {"bench", "usage: velk-checkers-engine bench [--depth N] [--memory BYTES | --game-memory]\n"
              "Searches a fixed set of positions (default depth 14, table 1048576 bytes, cleared\n"
              "for each position) and prints nodes, time and nodes per second for each and in all.\n"
              "The first line gives the table's size; the last, the time spent allocating and\n"
              "clearing it, which the search times leave out. --game-memory: the game's default\n"
              "table, a tenth of the machine's memory."},
    {"book", "usage: velk-checkers-engine book build --ballots FILE --out FILE [--movetime SECONDS | --depth N]\n"
             "                                      [--plies N] [--memory BYTES]\n"
             "       velk-checkers-engine book probe [--book FILE] [--seed N] [POSITION]\n"
             "build scores every move of each ballot position (FILE as for match), of the positions on\n"
             "the way there from the start and of those up to N plies (default 0) beyond the ballot\n"
             "along the moves the book would play, each move by an Expert search of the position after\n"
             "it for SECONDS (default 1) or to depth N, and writes the book as text: one position a\n"
             "line, its key, then its good moves as MOVE:SCORE (hundredths of a man), best first, and\n"
             "the position as FEN after '#'. The program carries the book data/opening-book.txt in\n"
             "it. probe prints the position's key, its moves in the book (FILE, or the program's own)\n"
             "with their scores, and 'bookmove MOVE', the move drawn by seed N (default 1)."},
    {"match", "usage: velk-checkers-engine match --a LEVEL[:SECONDS] --b LEVEL[:SECONDS] [--games N]\n"
              "                                  [--openings FILE | --ballot N | --ballots DECK [--count N]\n"
              "                                   | --ballots FILE [--deck DECK] [--count N]]\n"
              "                                  [--seed S] [--no-book] [--memory BYTES] [--moves] [--threads N]\n"
              "                                  [--egdb DIR|none] [--clock M+S]\n"
              "Plays level A against level B from opening positions, each opening twice so that each\n"
              "level has each colour once, under the game's draw rule. LEVEL: easy, medium, difficult,\n"
              "depth:N, expert[:SECONDS] (default 1 s a move). Openings: by default every position\n"
              "three plies from the start; FILE holds one FEN a line ('#' starts a comment). --games N\n"
              "plays N games from openings spread over the list. Prints one line a game ('game 3:\n"
              "OPENING, A black: A wins after 71 plies'), then 'total: A W wins, L losses, D draws,\n"
              "score S %' (a draw counts half) and the average time per move of each side. --moves\n"
              "adds each game's start, its moves (score/depth as the mover saw them) and its end.\n"
              "--ballot N plays the three-move ballot numbered N (1-174) of the program's list, with\n"
              "both colours. --ballots DECK plays those of a deck of the list: crossboard (144),\n"
              "mailplay (12; also mail-play), barred (18) or all. --ballots FILE reads a list instead,\n"
              "a tab-separated line each: number, moves, deck, name and the position after the moves\n"
              "as FEN (as data/three-move-ballots.tsv); --deck DECK keeps those of a deck (default\n"
              "all). The games start from the initial position with the ballot's moves recorded; the\n"
              "line of each names its ballot ('game 3: ballot 12 9-13 23-18 6-9, ...'). --count N\n"
              "draws N ballots by seed S (default 1), which also draws the Expert level's book moves\n"
              "(--no-book: none). A LEVEL of driver:PATH[:SECONDS] is a program outside that answers\n"
              "'PATH --fen FEN --time SECONDS' with a line 'after FEN2', the position after its move;\n"
              "a game in which it gives no answer or one no legal move leads to is void: reported,\n"
              "not counted.\n"
              "The total gives the score's 95 % margin ('score 55.0 % +- 8.1').\n"
              "Matches are slow: 0.1 s a move over every opening takes about an hour. --threads N:\n"
              "each expert side searches with N threads (default: one per core). Both expert sides\n"
              "probe the same endgame tables (--egdb as for search).\n"
              "--clock M+S plays on the clock: each side has M minutes for the game (0.5 is half a\n"
              "minute) and S seconds more for each move it completes (S may have decimals too). An\n"
              "expert or driver side thinks for a share of its time left and of the increment instead\n"
              "of its own time a move; the depth levels think as they do. A side whose time runs out\n"
              "loses ('A wins (B lost on time)'), and each game line ends with the clocks left\n"
              "(', clocks A 41.2 s, B 12.0 s')."},
    {"selfplay", "usage: velk-checkers-engine selfplay [--depth N | --level LEVEL] [--memory BYTES | --game-memory]\n"
                 "                                    [--no-draws] [--threads N] [--egdb DIR|none] [--clock M+S]\n"
                 "                                    [POSITION | --ballot N | --ballots DECK|FILE [--seed S]]\n"
                 "Plays the computer against itself from the position as the game's computer plays:\n"
                 "N plies deep (1-64, default 8, the game's Medium level), a transposition table of\n"
                 "BYTES (default 1048576; --game-memory: the game's tenth of the machine's memory)\n"
                 "kept from move to move, and the game's draw rule: a draw at the third occurrence\n"
                 "of a position or after 40 moves by each side with only kings moving and nothing\n"
                 "taken; the search knows the positions that would repeat one.\n"
                 "Prints the start position ('start FEN'), each move as it is played ('1. 11-15' for\n"
                 "Black's first, '1... 23-19' for White's first; captures with their whole path), then\n"
                 "the game's one-line record as the game log writes it: 'BLACK: ...', 'WHITE: ...' or\n"
                 "'DRAW : ...'.\n"
                 "--ballot N starts from the initial position with the moves of three-move ballot N\n"
                 "(1-174) played and recorded, and first prints 'ballot N (DECK, NAME): MOVES';\n"
                 "--ballots DECK or FILE (as for match) plays one of them drawn by seed S (default: a\n"
                 "new one each time).\n"
                 "--no-draws plays without the draw rule; such a game may never end, so it stops after\n"
                 "1000 half-moves with the record 'NOT FINISHED: ...'.\n"
                 "Equal best moves are chosen at random, as in the game.\n"
                 "--level plays at a level instead, as for search (expert: 1 s a move unless\n"
                 "expert:SECONDS), with N threads (default: one per core) and the endgame tables\n"
                 "(--egdb as for search).\n"
                 "--clock M+S plays on the clock as match does: a side whose time runs out loses ('black\n"
                 "lost on time'), and 'clocks: black 41.2 s, white 12.0 s' comes before the record."},
    {"show", "usage: velk-checkers-engine show FILE.ckr\n"
             "Reads a game saved by Velk Checkers and prints its signature, the start position\n"
             "(board text, FEN, side to move), every record (squares, milliseconds, whether it\n"
             "ends the turn), the record position shown, whether the game was finished, and the\n"
             "one-line game record. A file that is not a sound game file exits with 2."},
};

int RunCommand(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "egdb") == 0)
        return RunEgdbCommand(argc - 2, argv + 2);
    try {
        TArgs args = ParseArgs(argc, argv);
        if (args.WantVersion) {
            std::printf("%s %s\n", PROGRAM, VELK_VERSION);
            return 0;
        }
        if (args.Command == "help") {
            args.WantHelp = true;
            args.Command = args.Positional.empty() ? "" : args.Positional[0];
        }
        if (args.Command == "egdb" && args.WantHelp) {
            std::printf("%s\n", EGDB_HELP);
            return 0;
        }
        if (args.WantHelp || args.Command.empty()) {
            const auto h = Help.find(args.Command);
            if (h == Help.end())
                Fail("unknown command \"" + args.Command + "\"");
            std::printf("%s\n", h->second.c_str());
            return args.WantHelp ? 0 : 2;
        }
        if (args.Command == "moves")
            return CmdMoves(args);
        if (args.Command == "perft")
            return CmdPerft(args, false);
        if (args.Command == "divide")
            return CmdPerft(args, true);
        if (args.Command == "search")
            return CmdSearch(args);
        if (args.Command == "report")
            return CmdReport(args);
        if (args.Command == "bench")
            return CmdBench(args);
        if (args.Command == "selfplay")
            return CmdSelfplay(args);
        if (args.Command == "match")
            return CmdMatch(args);
        if (args.Command == "book")
            return CmdBook(args);
        if (args.Command == "show")
            return CmdShow(args);
        if (args.Command == "analyze")
            return CmdAnalyze(args);
        if (args.Command == "pdn" || args.Command == "convert") {
            AllowOptions(args, {});
            return RunPdnCommand(args.Command, args.Positional);
        }
        Fail("unknown command \"" + args.Command + "\" (try --help)");
    } catch (const TUsageError& e) {
        std::fprintf(stderr, "%s: %s\n", PROGRAM, e.Message.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", PROGRAM, e.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    ReportFileSizeLimitAsError();
    const int status = RunCommand(argc, argv);
    // Output that did not reach its file (a full disk, /dev/full) fails the command like any
    // other error: a script must not take a cut result for the answer.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno != 0 ? errno : EIO;
        std::fprintf(stderr, "%s: Cannot write the standard output. %s\n", PROGRAM, std::strerror(error));
        return status != 0 ? status : 1;
    }
    return status;
}
