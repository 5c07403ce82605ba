// Running a terminal's login or logout action: a WAV file to play or a
// command line to start.
//
// A command line is started directly, never through a shell. Its program is
// the first item of the text (see FirstActionItem); the rest of the text is
// split into separate arguments at blanks, honouring double quotes (see
// SplitArguments). On Windows the rest went to the program as one string
// for it to split; here the splitting is ours, so that a value put into the
// text from the network (a resource name, say) can add arguments at most and
// can never start a second command: ";", "|", "$()", backquotes and line
// feeds are plain characters in an argument.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sentrova {

class ProcessStarter;
class SoundPlayer;

// The first item of text read the way a comma-separated list is read: blanks
// before it are skipped; an item beginning with a double quote runs to the
// matching closing quote (two double quotes inside stand for one) and loses
// its quotes, an unclosed one runs to the end; any other item runs up to the
// next blank or comma. When rest is given it receives the text after the
// item, less the one comma that may end it.
std::string FirstActionItem(std::string_view text, std::string_view* rest = nullptr);

// The extension of a file name: from the last ".", "\\", ":" or "/" when
// that is a ".", the dot included; otherwise empty.
std::string ActionItemExtension(std::string_view item);

// Splits text into arguments at blanks. A double quote opens a quoted part
// that runs to the next lone double quote; inside it blanks are kept and two
// double quotes stand for one. The quotes themselves are dropped, and a
// quoted part may join text before and after it into one argument ("a"b is
// ab); an empty quoted part alone ("") is an empty argument.
std::vector<std::string> SplitArguments(std::string_view text);

// The argv a command-line action starts: the first item, then the arguments
// of the rest. Empty when the first item is empty.
std::vector<std::string> ActionArgv(std::string_view text);

// Plays the first item through sound.PlayWaveFile(item, wait) when its
// extension is ".WAV" in any letter case, otherwise starts ActionArgv(text)
// through starter without waiting for it. An empty action does nothing, a
// failure has no effect. Always true.
bool RunAction(std::string_view text, bool wait, ProcessStarter& starter, SoundPlayer& sound);

}  // namespace sentrova
