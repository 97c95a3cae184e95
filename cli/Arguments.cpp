// The command line: splitting arguments by a command's options, the help
// that the command table gives, and usage errors.
#include "cli/CliCommands.h"

#include <cstdio>

namespace {

constexpr std::string_view ArgumentsHelp =
    "\nEvery command takes -h or --help for its own usage. Options may stand\n"
    "anywhere among the operands, --NAME=VALUE gives an option its one\n"
    "value, and after -- every argument is an operand. Any other argument is\n"
    "an operand, whatever it starts with: -5, -inf, --5.\n";

constexpr std::string_view ValueHelp =
    "\nVALUE is a C-locale floating-point number (decimal, hex float such as\n"
    "0x1.8p3, inf, -inf, nan); PLACES is a whole number of decimals (above 18\n"
    "counts as 18; a negative number rounds to tens, hundreds, ... up to\n"
    "10^18).\n";

constexpr std::string_view ExitHelp =
    "\nExit status: 0 done, 1 bad batch lines or an input/output failure,\n"
    "2 wrong arguments.\n";

// Width of an option's name and values in --help.
constexpr std::size_t OptionColumn = 24;

// Writes each line of `text` after `indent`.
void PutIndented(CliOutput &out, std::string_view indent, std::string_view text) {
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    PutCliOutput(out, indent);
    PutCliOutput(out, text.substr(0, end));
    PutCliOutput(out, "\n");
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
}

// The usage lines (a line that starts with a blank goes on the one
// before), the description and the options of one command.
void PutCommandLines(CliOutput &out, const CliCommand &command) {
  for (std::string_view usage = command.usage; !usage.empty();) {
    const std::size_t end = usage.find('\n');
    const std::string_view line = usage.substr(0, end);
    PutIndented(out, line[0] == ' ' ? "                    " : "  calvora-cli ",
                line.substr(line.find_first_not_of(' ')));
    usage.remove_prefix(end == std::string_view::npos ? usage.size() : end + 1);
  }
  PutIndented(out, "      ", command.description);
  for (const CliOption &option : command.options) {
    std::string line = "      ";
    line += option.name;
    if (!option.values.empty()) {
      line += ' ';
      line += option.values;
    }
    line.append(line.size() < 6 + OptionColumn ? 6 + OptionColumn - line.size() : 2, ' ');
    line += option.help;
    line += '\n';
    PutCliOutput(out, line);
  }
}

void PutModeHelp(CliOutput &out) {
  PutCliOutput(out, "\nMODE is a mode button caption in any letter case or the mode's\nnumber:\n");
  for (const ModeRows &mode : ModeRowsTable) {
    char number[16];
    std::snprintf(number, sizeof number, "  %2d  ", mode.ModeId);
    PutCliOutput(out, number);
    PutCliOutput(out, mode.caption);
    PutCliOutput(out, " (rows:");
    for (int row = 0; row < mode.rowCount; ++row) {
      PutCliOutput(out, row == 0 ? " " : ", ");
      PutCliOutput(out, mode.rows[row].name);
    }
    PutCliOutput(out, ")\n");
  }
}

void PutTopics(CliOutput &out, unsigned topics) {
  PutCliOutput(out, ArgumentsHelp);
  if (topics & ValueTopic)
    PutCliOutput(out, ValueHelp);
  if (topics & ModeTopic)
    PutModeHelp(out);
  if (topics & PairTopic)
    PutPairHelp(out);
  PutCliOutput(out, ExitHelp);
}

// "a PAIR", "ACC_A and ACC_B": what an option's values are called.
std::string ValuesText(std::string_view values) {
  const std::size_t space = values.find(' ');
  if (space == std::string_view::npos)
    return "a " + std::string(values);
  return std::string(values.substr(0, space)) + " and " + std::string(values.substr(space + 1));
}

} // namespace

int OptionValueCount(const CliOption &option) {
  if (option.values.empty())
    return 0;
  int count = 1;
  for (char c : option.values)
    count += c == ' ' ? 1 : 0;
  return count;
}

const CliCall::Given *FindOption(const CliCall &call, std::string_view name) {
  for (const CliCall::Given &given : call.options)
    if (given.option->name == name)
      return &given;
  return nullptr;
}

int SplitArguments(const CliCommand &command, int first, int argc, const char *const *argv,
                   CliCall &call, const CliStreams &streams, CliOutput &out) {
  bool operandsOnly = false;
  for (int i = first; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (operandsOnly) {
      call.operands.push_back(argv[i]);
      continue;
    }
    if (arg == "--") {
      operandsOnly = true;
      continue;
    }
    if (arg == "--help" || arg == "-h") {
      PutCommandHelp(out, command);
      return CliOk;
    }

    // Step 1: an option by its name, or --NAME=VALUE of one that takes values.
    const CliOption *option = nullptr;
    const char *attached = nullptr;
    const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
    for (const CliOption &o : command.options) {
      if (arg == o.name)
        option = &o;
      else if (equals != std::string_view::npos && !o.values.empty() &&
               arg.substr(0, equals) == o.name) {
        option = &o;
        attached = argv[i] + equals + 1;
      }
    }
    if (option == nullptr) {
      call.operands.push_back(argv[i]);
      continue;
    }

    // Step 2: its values, attached or in the arguments that follow.
    CliCall::Given given;
    given.option = option;
    const int count = OptionValueCount(*option);
    if (attached != nullptr) {
      if (count != 1)
        return ReportUsageError(streams,
                                std::string(option->name) + " takes " + ValuesText(option->values) +
                                    ", as two arguments: " + Quoted(arg) + " gives one",
                                command.name);
      given.values[0] = attached;
    } else {
      if (argc - 1 - i < count)
        return ReportUsageError(streams,
                                std::string(option->name) + " takes " + ValuesText(option->values),
                                command.name);
      for (int k = 0; k < count; ++k)
        given.values[k] = argv[++i];
    }
    if (count > 0 && FindOption(call, option->name) != nullptr)
      return ReportUsageError(streams, std::string(option->name) + " is given twice", command.name);
    call.options.push_back(given);
  }
  return -1;
}

void PutCommandHelp(CliOutput &out, const CliCommand &command) {
  PutCliOutput(out, "Usage:\n");
  PutCommandLines(out, command);
  PutTopics(out, command.topics);
}

void PutHelp(CliOutput &out) {
  PutCliOutput(out, "Usage:\n");
  unsigned topics = 0;
  for (const CliCommand &command : CliCommandTable()) {
    PutCommandLines(out, command);
    topics |= command.topics;
  }
  PutCliOutput(out, "  calvora-cli --help [COMMAND] | --version\n");
  PutTopics(out, topics);
}

std::string TooMany(std::string_view lead, std::string_view argument) {
  return std::string(lead) + "; " + Quoted(argument) + " is one argument too many";
}

std::string OperandCountProblem(const CliCall &call, std::string_view usage, std::size_t fewest,
                                std::size_t most) {
  const std::size_t count = call.operands.size();
  if (count < fewest)
    return std::string(usage);
  return count > most ? TooMany(usage, call.operands[most]) : std::string();
}

int ReportOperandError(const CliStreams &streams, const CliCall &call, std::string_view command,
                       std::string_view message) {
  for (std::string_view operand : call.operands)
    if (operand.size() > 2 && operand.starts_with("--") &&
        ((operand[2] >= 'a' && operand[2] <= 'z') || (operand[2] >= 'A' && operand[2] <= 'Z')))
      return ReportUsageError(
          streams, "unknown option " + Quoted(operand) + " for " + std::string(command), command);
  return ReportUsageError(streams, message, command);
}

int ReportUsageError(const CliStreams &streams, std::string_view message,
                     std::string_view command) {
  std::string text = "calvora-cli: ";
  text += message;
  text += "\nTry 'calvora-cli ";
  if (!command.empty()) {
    text += command;
    text += ' ';
  }
  text += "--help'.\n";
  PutCliError(streams, text);
  return CliUsageError;
}
