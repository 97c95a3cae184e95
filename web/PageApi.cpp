#include "web/PageApi.h"

#include "cli/Cli.h"
#include "core/MeterPairs.h"
#include "core/RunCalc.h"
#include "dialog/MainDialog.h"
#include "dialog/ModeCatalogue.h"
#include "present/ResultContent.h"

#include <cstddef>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>

namespace {

// The page's calculation record, like the window's: all zero until the
// first Calc, then what the last Calc left.
CalcState PageState{};

// The texts handed to the page, one per routine.
std::string CatalogueText, PanelText, ReportText, ConvertOutput, ConvertProblem;
int ConvertProblemField = -1;

// `text` as a JSON string: quotes, backslashes and control characters
// escaped, every other byte (UTF-8 included) as it is.
void PutJsonString(std::string &out, std::string_view text) {
  out += '"';
  for (char c : text) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (u < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", u);
      out += escaped;
    } else {
      out += c;
    }
  }
  out += '"';
}

// "name": "text", with the comma before it unless it is the first member.
void PutJsonMember(std::string &out, const char *name, std::string_view text, bool first = false) {
  if (!first)
    out += ',';
  PutJsonString(out, name);
  out += ':';
  PutJsonString(out, text);
}

const char *FixedCaption(int id) {
  for (const FixedControl &c : FixedControls)
    if (c.id == id)
      return c.caption;
  return "";
}

void PutMode(std::string &out, const ModeDescriptor &mode) {
  out += "{\"id\":";
  out += std::to_string(mode.entry.ModeId);
  PutJsonMember(out, "caption", mode.entry.caption);
  PutJsonMember(out, "hint", mode.hint);
  out += ",\"focusRow\":";
  out += std::to_string(mode.focusRow);
  out += ",\"rows\":[";
  for (int k = 0; k < mode.entry.rowCount; ++k) {
    const EntryRowDefinition &row = mode.entry.rows[k];
    out += k == 0 ? "{" : ",{";
    PutJsonMember(out, "name", row.name, true);
    PutJsonMember(out, "text", row.defaultText);
    out += ",\"unit\":";
    if (row.unit != nullptr)
      PutJsonString(out, row.unit);
    else
      out += "null";
    out += '}';
  }
  out += "]}";
}

void PutPair(std::string &out, const MeterPair &pair) {
  out += '{';
  PutJsonMember(out, "name", pair.name, true);
  PutJsonMember(out, "a", pair.a.name);
  PutJsonMember(out, "aMeaning", pair.a.meaning);
  PutJsonMember(out, "b", pair.b.name);
  PutJsonMember(out, "bMeaning", pair.b.meaning);
  out += '}';
}

std::string BuildCatalogue() {
  std::string out = "{";
  PutJsonMember(out, "title", MainDialogTitle, true);
  PutJsonMember(out, "calc", FixedCaption(CalcButtonId));
  PutJsonMember(out, "print", FixedCaption(PrintButtonId));
  PutJsonMember(out, "about", FixedCaption(AboutButtonId));
  PutJsonMember(out, "warningCaption", NoModeCaption);
  PutJsonMember(out, "warning", NoModeWarning);
  PutJsonMember(out, "aboutCaption", AboutBoxCaption);
  PutJsonMember(out, "aboutText", AboutBoxText);
  // The mode buttons in the window's creation order, which is its grid
  // read row by row.
  out += ",\"modes\":[";
  bool first = true;
  for (const FixedControl &c : FixedControls) {
    const ModeDescriptor *mode = FindModeByButton(c.id);
    if (mode == nullptr)
      continue;
    if (!first)
      out += ',';
    first = false;
    PutMode(out, *mode);
  }
  out += "],\"pairs\":[";
  for (const MeterPair &pair : MeterPairs) {
    if (&pair != &MeterPairs[0])
      out += ',';
    PutPair(out, pair);
  }
  out += "]}";
  return out;
}

// The companion's streams, bound to two strings; it reads no input here.
struct CapturedStreams {
  std::string output, error;
};

std::ptrdiff_t ReadNothing(void *, char *, std::size_t) { return 0; }

bool WriteCapturedOutput(void *context, const char *data, std::size_t length) {
  static_cast<CapturedStreams *>(context)->output.append(data, length);
  return true;
}

void WriteCapturedError(void *context, const char *data, std::size_t length) {
  static_cast<CapturedStreams *>(context)->error.append(data, length);
}

// The companion's report without its name in front of each line and
// without the pointer to --help, which the page has no use for.
std::string ProblemText(std::string_view error) {
  constexpr std::string_view Name = "calvora-cli: ";
  // "Try 'calvora-cli --help'." or "Try 'calvora-cli convert --help'.".
  constexpr std::string_view TryStart = "Try 'calvora-cli ", TryEnd = "--help'.";
  std::string problem;
  while (!error.empty()) {
    const std::size_t end = error.find('\n');
    std::string_view line = error.substr(0, end);
    error.remove_prefix(end == std::string_view::npos ? error.size() : end + 1);
    if (line.substr(0, TryStart.size()) == TryStart && line.size() >= TryEnd.size() &&
        line.substr(line.size() - TryEnd.size()) == TryEnd)
      continue;
    if (line.substr(0, Name.size()) == Name)
      line.remove_prefix(Name.size());
    if (!problem.empty())
      problem += '\n';
    problem += line;
  }
  return problem;
}

// The text a report is about, by the name it starts with ("A '4x' is not
// ..."), as the companion names its arguments.
int ProblemField(std::string_view problem) {
  constexpr std::string_view Names[] = {"F '", "A '", "B '", "ACC_A '", "ACC_B '"};
  for (int field = 0; field < 5; ++field)
    if (problem.substr(0, Names[field].size()) == Names[field])
      return field;
  return -1;
}

} // namespace

const char *PageCatalogue() {
  if (CatalogueText.empty())
    CatalogueText = BuildCatalogue();
  return CatalogueText.c_str();
}

const char *PageCalc(int modeId, int count, const char *const *texts) {
  const int rows = ModeRowCount(modeId);
  std::string_view views[5];
  for (int k = 0; k < rows && k < count; ++k)
    views[k] = texts[k];
  if (rows > 0)
    RunCalc(PageState, modeId, std::span<const std::string_view>(views, std::size_t(rows)));
  PanelText.clear();
  for (const ResultRow &row : ResultPanelRows(PageState)) {
    PanelText += row.name;
    if (row.valueId != 0) {
      PanelText += '\t';
      PanelText += row.value;
    }
    PanelText += '\n';
  }
  return PanelText.c_str();
}

const char *PageReport() {
  ReportText.clear();
  for (const std::string &line : ReportLines(PageState)) {
    ReportText += line;
    ReportText += '\n';
  }
  return ReportText.c_str();
}

int PageConvert(const char *pair, const char *f, const char *a, const char *b,
                const char *accuracyA, const char *accuracyB) {
  const char *argv[10] = {"calvora-cli", "convert"};
  int argc = 2;
  if (*accuracyA != '\0' || *accuracyB != '\0') {
    argv[argc++] = "--accuracy";
    argv[argc++] = accuracyA;
    argv[argc++] = accuracyB;
  }
  for (const char *arg : {"--", pair, f, a, b})
    argv[argc++] = arg;
  CapturedStreams captured;
  CliStreams streams;
  streams.context = &captured;
  streams.ReadInput = ReadNothing;
  streams.WriteOutput = WriteCapturedOutput;
  streams.WriteError = WriteCapturedError;
  const int code = RunCli(argc, argv, streams);
  ConvertOutput = std::move(captured.output);
  ConvertProblem = ProblemText(captured.error);
  ConvertProblemField = ProblemField(ConvertProblem);
  return code;
}

const char *PageConvertOutput() { return ConvertOutput.c_str(); }

const char *PageConvertProblem() { return ConvertProblem.c_str(); }

int PageConvertProblemField() { return ConvertProblemField; }
