#include "settings/action.h"

#include "settings/process_starter.h"
#include "settings/sound.h"
#include "settings/text.h"

namespace sentrova {

namespace {

// Reads a quoted part starting at text[i] == '"'; returns the index after the
// closing quote (or the end). Two double quotes inside stand for one.
std::size_t ReadQuoted(std::string_view text, std::size_t i, std::string& out) {
  ++i;
  while (i < text.size()) {
    if (text[i] == '"') {
      if (i + 1 < text.size() && text[i + 1] == '"') {
        out += '"';
        i += 2;
        continue;
      }
      return i + 1;
    }
    out += text[i++];
  }
  return i;
}

}  // namespace

std::string FirstActionItem(std::string_view text, std::string_view* rest) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  std::string item;
  if (i < text.size() && text[i] == '"') {
    i = ReadQuoted(text, i, item);
  } else {
    while (i < text.size() && text[i] != ' ' && text[i] != ',') item += text[i++];
  }
  if (rest) {
    std::size_t j = i;
    while (j < text.size() && text[j] == ' ') ++j;
    // The comma that separates the first item from the next one.
    if (j < text.size() && text[j] == ',') i = j + 1;
    *rest = text.substr(i);
  }
  return item;
}

std::string ActionItemExtension(std::string_view item) {
  // "/" counts as a path separator too: on Linux it is the only one, while
  // "\\" and ":" still cover names written for Windows.
  const std::size_t last = item.find_last_of(".\\:/");
  if (last == std::string_view::npos || item[last] != '.') return {};
  return std::string(item.substr(last));
}

std::vector<std::string> SplitArguments(std::string_view text) {
  std::vector<std::string> args;
  std::size_t i = 0;
  while (true) {
    while (i < text.size() && text[i] == ' ') ++i;
    if (i == text.size()) break;
    std::string arg;
    while (i < text.size() && text[i] != ' ') {
      if (text[i] == '"') {
        i = ReadQuoted(text, i, arg);
      } else {
        arg += text[i++];
      }
    }
    args.push_back(std::move(arg));
  }
  return args;
}

std::vector<std::string> ActionArgv(std::string_view text) {
  std::string_view rest;
  std::string program = FirstActionItem(text, &rest);
  if (program.empty()) return {};
  std::vector<std::string> argv;
  argv.push_back(std::move(program));
  for (std::string& arg : SplitArguments(rest)) argv.push_back(std::move(arg));
  return argv;
}

bool RunAction(std::string_view text, bool wait, ProcessStarter& starter, SoundPlayer& sound) {
  const std::string first = FirstActionItem(text);
  if (ToUpperAscii(ActionItemExtension(first)) == ".WAV") {
    sound.PlayWaveFile(first, wait);
    return true;
  }
  const std::vector<std::string> argv = ActionArgv(text);
  if (!argv.empty()) starter.Start(argv);
  return true;
}

}  // namespace sentrova
