// The batch converter: one calculation per input record, streamed from the
// input to CSV on the output in fixed-size buffers, so that memory stays
// bounded whatever the size of the input or the length of its lines.
#include "cli/CliCommands.h"

#include "core/CalcState.h"
#include "core/RunCalc.h"
#include "present/ResultContent.h"

#include <charconv>
#include <cstring>
#include <memory>
#include <span>
#include <string>

namespace {

// Bytes requested from the input per read.
constexpr std::size_t ReadChunk = std::size_t{1} << 17;

// Room for an unfinished line of the maximal length plus its CR, and a chunk.
constexpr std::size_t InputCapacity = BatchMaxLineLength + 2 + ReadChunk;

constexpr std::size_t ResultCount = ResultColumns.size();

// Fields beyond the fifth are counted for the message but not kept.
constexpr int MaxFields = 5;

// The working record of one batch run.
struct BatchRun {
  const ModeRows *mode = nullptr;
  const CliStreams *streams = nullptr;
  CliOutput *out = nullptr;
  bool headerPending = false; // --header given, header record not seen yet
  unsigned long long lineNumber = 0;
  unsigned long long badLines = 0;
  std::unique_ptr<char[]> unquoted; // quoted fields of the current line, unescaped
};

// One record split into fields.
struct SplitRecord {
  std::string_view fields[MaxFields];
  int count = 0;
  const char *problem = nullptr; // why the record could not be split
};

std::string LineNumberText(unsigned long long number) {
  char digits[24];
  char *end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  return std::string(digits, end);
}

void ReportBadLine(BatchRun &run, std::string_view message) {
  ++run.badLines;
  std::string text = "calvora-cli: line ";
  text += LineNumberText(run.lineNumber);
  text += ": ";
  text += message;
  text += '\n';
  PutCliError(*run.streams, text);
}

// Splits at tabs when the line holds one, at commas otherwise, so that a
// tab-separated log may carry commas inside its fields. A field that starts
// with a double quote runs to the matching quote, with "" standing for one
// quote character; its text is unescaped into `scratch`.
SplitRecord SplitFields(std::string_view line, char *scratch) {
  SplitRecord record;
  const std::size_t n = line.size();
  const char separator = std::memchr(line.data(), '\t', n) != nullptr ? '\t' : ',';
  std::size_t i = 0;
  for (;;) {
    std::string_view field;
    if (i < n && line[i] == '"') {
      char *start = scratch;
      ++i;
      for (;;) {
        if (i >= n) {
          record.problem = "a quoted field has no closing quote";
          return record;
        }
        char c = line[i++];
        if (c != '"')
          *scratch++ = c;
        else if (i < n && line[i] == '"') {
          *scratch++ = '"';
          ++i;
        } else
          break;
      }
      field = std::string_view(start, static_cast<std::size_t>(scratch - start));
      if (i < n && line[i] != separator) {
        record.problem = "text follows the closing quote of a quoted field";
        return record;
      }
    } else {
      const void *hit = std::memchr(line.data() + i, separator, n - i);
      std::size_t end = hit != nullptr
                            ? static_cast<std::size_t>(static_cast<const char *>(hit) - line.data())
                            : n;
      field = line.substr(i, end - i);
      i = end;
    }
    if (record.count < MaxFields)
      record.fields[record.count] = field;
    ++record.count;
    if (i >= n)
      return record;
    ++i; // past the separator
  }
}

bool NeedsQuotes(std::string_view field) {
  for (char c : field)
    if (c == ',' || c == '"' || c == '\n' || c == '\r')
      return true;
  return false;
}

// Writes `field` as one CSV field, quoted when it holds a comma, a quote or
// a line break. Needs at most 2·size + 2 bytes.
char *PutCsvField(char *p, std::string_view field) {
  if (!NeedsQuotes(field)) {
    std::memcpy(p, field.data(), field.size());
    return p + field.size();
  }
  *p++ = '"';
  for (char c : field) {
    if (c == '"')
      *p++ = '"';
    *p++ = c;
  }
  *p++ = '"';
  return p;
}

void PutHeader(BatchRun &run, const std::string_view *names) {
  CliOutput &out = *run.out;
  for (int i = 0; i < run.mode->rowCount; ++i) {
    char *p = ReserveCliOutput(out, 2 * names[i].size() + 3);
    p = PutCsvField(p, names[i]);
    *p++ = ',';
    out.used = static_cast<std::size_t>(p - out.data.get());
  }
  for (std::size_t i = 0; i < ResultCount; ++i) {
    PutCliOutput(out, CalcStateFieldName(ResultColumns[i]));
    PutCliOutput(out, i + 1 < ResultCount ? "," : "\n");
  }
}

void PutLabelHeader(BatchRun &run) {
  std::string_view labels[MaxFields];
  for (int i = 0; i < run.mode->rowCount; ++i)
    labels[i] = run.mode->rows[i].name;
  PutHeader(run, labels);
}

std::string FieldCountMessage(const ModeRows &mode, int found) {
  std::string text = "expected ";
  text += std::to_string(mode.rowCount);
  text += " fields (";
  for (int i = 0; i < mode.rowCount; ++i) {
    if (i > 0)
      text += ", ";
    text += mode.rows[i].name;
  }
  text += ") for mode ";
  text += mode.caption;
  text += ", found ";
  text += std::to_string(found);
  return text;
}

void PutResultRow(BatchRun &run, const SplitRecord &record, std::size_t lineLength) {
  const int rows = run.mode->rowCount;
  CalcState s{};
  RunCalc(s, run.mode->ModeId,
          std::span<const std::string_view>(record.fields, static_cast<std::size_t>(rows)));

  // The unescaped fields are no longer than the line, so this bounds the row.
  CliOutput &out = *run.out;
  char *p =
      ReserveCliOutput(out, 2 * lineLength + 3 * MaxFields + ResultCount * (NumberSpellingMax + 1));
  for (int i = 0; i < rows; ++i) {
    p = PutCsvField(p, record.fields[i]);
    *p++ = ',';
  }
  for (std::size_t i = 0; i < ResultCount; ++i) {
    p = SpellDoubleShortest(p, s.*ResultColumns[i]);
    *p++ = i + 1 < ResultCount ? ',' : '\n';
  }
  out.used = static_cast<std::size_t>(p - out.data.get());
}

bool IsBlank(std::string_view line) {
  for (char c : line)
    if (c != ' ' && c != '\t')
      return false;
  return true;
}

void ReportTooLong(BatchRun &run) {
  ReportBadLine(run, "longer than " + std::to_string(BatchMaxLineLength) + " bytes; skipped");
}

// One physical line, without its LF.
void HandleLine(BatchRun &run, std::string_view line) {
  ++run.lineNumber;
  if (!line.empty() && line.back() == '\r')
    line.remove_suffix(1);
  if (line.size() > BatchMaxLineLength) {
    ReportTooLong(run);
    return;
  }
  if (line.empty() || line[0] == '#' || IsBlank(line))
    return;

  SplitRecord record = SplitFields(line, run.unquoted.get());
  bool fits = record.problem == nullptr && record.count == run.mode->rowCount;
  if (run.headerPending) {
    run.headerPending = false;
    if (fits) {
      PutHeader(run, record.fields);
      return;
    }
    PutLabelHeader(run);
  }
  if (record.problem != nullptr)
    ReportBadLine(run, record.problem);
  else if (record.count != run.mode->rowCount)
    ReportBadLine(run, FieldCountMessage(*run.mode, record.count));
  else
    PutResultRow(run, record, line.size());
}

} // namespace

int RunBatch(const ModeRows &mode, bool header, const CliStreams &streams, CliOutput &out) {
  BatchRun run;
  run.mode = &mode;
  run.streams = &streams;
  run.out = &out;
  run.headerPending = header;
  run.unquoted = std::make_unique<char[]>(InputCapacity);
  if (!header)
    PutLabelHeader(run);

  auto buffer = std::make_unique<char[]>(InputCapacity);
  char *const data = buffer.get();
  std::size_t filled = 0;
  bool skipping = false; // inside a line already known to be too long
  bool readFailed = false;
  for (;;) {
    std::ptrdiff_t got = streams.ReadInput(streams.context, data + filled, InputCapacity - filled);
    if (got < 0) {
      readFailed = true;
      break;
    }
    if (got == 0)
      break;
    filled += static_cast<std::size_t>(got);

    // Step 1: handle every complete line in the buffer.
    std::size_t start = 0;
    while (const void *hit = std::memchr(data + start, '\n', filled - start)) {
      std::size_t end = static_cast<std::size_t>(static_cast<const char *>(hit) - data);
      if (skipping) {
        skipping = false;
        ++run.lineNumber;
        ReportTooLong(run);
      } else
        HandleLine(run, std::string_view(data + start, end - start));
      start = end + 1;
    }
    if (out.failed)
      break;

    // Step 2: keep the unfinished line, unless it is already too long to
    // keep (its length plus a CR), in which case drop it up to its end.
    std::size_t rest = filled - start;
    if (skipping || rest > BatchMaxLineLength + 1) {
      skipping = true;
      filled = 0;
    } else {
      std::memmove(data, data + start, rest);
      filled = rest;
    }
  }

  // Step 3: a last line without a line end.
  if (!readFailed && !out.failed) {
    if (skipping) {
      ++run.lineNumber;
      ReportTooLong(run);
    } else if (filled > 0)
      HandleLine(run, std::string_view(data, filled));
    if (run.headerPending)
      PutLabelHeader(run);
  }

  if (readFailed) {
    PutCliError(streams, "calvora-cli: cannot read standard input\n");
    return CliFailed;
  }
  if (run.badLines > 0) {
    PutCliError(streams, "calvora-cli: " + LineNumberText(run.badLines) +
                             (run.badLines == 1 ? " bad line" : " bad lines") + " skipped\n");
    return CliFailed;
  }
  return CliOk;
}
