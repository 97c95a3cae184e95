// The batch converter: one calculation per input record, streamed from the
// input to CSV on the output in fixed-size buffers, so that memory stays
// bounded whatever the size of the input or the length of its lines.
#include "cli/CliCommands.h"

#include "core/CalcState.h"
#include "core/EntryText.h"
#include "core/MeterPairs.h"
#include "core/RunCalc.h"
#include "present/ResultContent.h"

#include <array>
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

// What the result columns' names start with.
constexpr std::string_view ResultColumnPrefix = "calc_";

// Fields beyond the fifth are counted for the message but not kept.
constexpr int MaxFields = 5;

// The working record of one batch run.
struct BatchRun {
  const BatchSource *source = nullptr;
  BatchReading reading;                   // the delimiter is set by the first record if not given
  int fieldCount = 0;                     // fields per record
  std::string_view fieldNames[MaxFields]; // the columns' names without a header record
  const CliStreams *streams = nullptr;
  CliOutput *out = nullptr;
  bool headerPending = false; // --header given, header record not seen yet
  unsigned long long lineNumber = 0;
  unsigned long long badLines = 0;
  std::unique_ptr<char[]> unquoted;  // quoted fields of the current line, unescaped
  std::unique_ptr<char[]> converted; // fields of the current line with decimal commas as points
  std::string escaped[MaxFields];    // fields of the current line as CleanField writes them
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

// Whether `c` is a blank around a field: a space, or a tab where tabs do
// not separate the fields.
bool IsFieldBlank(char c, char separator) { return c == ' ' || (c == '\t' && separator != '\t'); }

std::string_view TrimField(std::string_view field, char separator) {
  while (!field.empty() && IsFieldBlank(field.front(), separator))
    field.remove_prefix(1);
  while (!field.empty() && IsFieldBlank(field.back(), separator))
    field.remove_suffix(1);
  return field;
}

// Splits at `separator`; each field loses the blanks around it. A field
// that starts with a double quote runs to the matching quote, with ""
// standing for one quote character; its text is unescaped into `scratch`
// and loses the blanks inside the quotes too.
SplitRecord SplitFields(std::string_view line, char separator, char *scratch) {
  SplitRecord record;
  const std::size_t n = line.size();
  std::size_t i = 0;
  for (;;) {
    while (i < n && IsFieldBlank(line[i], separator))
      ++i;
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
      field =
          TrimField(std::string_view(start, static_cast<std::size_t>(scratch - start)), separator);
      while (i < n && IsFieldBlank(line[i], separator))
        ++i;
      if (i < n && line[i] != separator) {
        record.problem = "text follows the closing quote of a quoted field";
        return record;
      }
    } else {
      const void *hit = std::memchr(line.data() + i, separator, n - i);
      std::size_t end = hit != nullptr
                            ? static_cast<std::size_t>(static_cast<const char *>(hit) - line.data())
                            : n;
      field = TrimField(line.substr(i, end - i), separator);
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

// The separator that the first record shows, outside its quoted fields: a
// tab, else a semicolon (which brings decimal commas), else a comma. With
// decimal commas asked for, a comma cannot separate.
void ChooseDelimiter(BatchReading &reading, std::string_view line) {
  bool quoted = false, tab = false, semicolon = false;
  for (char c : line) {
    if (c == '"')
      quoted = !quoted;
    else if (!quoted) {
      tab = tab || c == '\t';
      semicolon = semicolon || c == ';';
    }
  }
  if (tab) {
    reading.delimiter = '\t';
  } else if (semicolon || reading.decimalComma) {
    reading.delimiter = ';';
    reading.decimalComma = true;
  } else {
    reading.delimiter = ',';
  }
}

// Whether `c` may stand in a CSV field as it is: printable ASCII. Other
// bytes are checked as UTF-8 and escaped where they are not printable.
bool IsPlainByte(char c) { return c >= 0x20 && c < 0x7F; }

// The bytes that go into the CSV as they are: printable ASCII but the comma
// and the quote.
constexpr std::array<bool, 256> PlainBytes = [] {
  std::array<bool, 256> plain{};
  for (int c = 0x20; c < 0x7F; ++c)
    plain[static_cast<std::size_t>(c)] = c != ',' && c != '"';
  return plain;
}();

// Whether `field` goes into the CSV as it is, as nearly every field of a
// log does.
bool IsPlainField(std::string_view field) {
  for (char c : field)
    if (!PlainBytes[static_cast<unsigned char>(c)])
      return false;
  return true;
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

// The ends of a result's range, in the columns after its own.
constexpr std::string_view RangeSuffixes[2] = {"_low", "_high"};

// `field` escaped as messages escape it when it holds a byte that is not
// printable ASCII, so that the CSV is valid UTF-8 and carries no NUL;
// `field` itself otherwise.
std::string_view CleanField(std::string_view field, std::string &storage) {
  for (char c : field)
    if (!IsPlainByte(c)) {
      storage.clear();
      AppendEscaped(storage, field);
      return storage;
    }
  return field;
}

// Whether `name` is the name of a result column under `prefix`.
bool IsResultName(std::string_view name, std::string_view prefix, bool withBounds) {
  if (name.substr(0, prefix.size()) != prefix)
    return false;
  name.remove_prefix(prefix.size());
  for (double CalcState::*column : ResultColumns) {
    const std::string_view field = CalcStateFieldName(column);
    if (name == field)
      return true;
    if (withBounds && name.substr(0, field.size()) == field)
      for (std::string_view suffix : RangeSuffixes)
        if (name.substr(field.size()) == suffix)
          return true;
  }
  return false;
}

// The input columns' names as they are, then the result columns, named
// "calc_Z" ... "calc_Phase" (and "calc_Z_low", "calc_Z_high" ...): should an
// input column carry one of those names, the results take one more
// "calc_", so that no name stands twice.
void PutHeader(BatchRun &run, const std::string_view *fields) {
  CliOutput &out = *run.out;
  const bool withBounds = run.source->withBounds;
  std::string storage[MaxFields];
  std::string_view names[MaxFields];
  for (int i = 0; i < run.fieldCount; ++i)
    names[i] = CleanField(fields[i], storage[i]);
  std::string prefix(ResultColumnPrefix);
  for (bool clash = true; clash;) {
    clash = false;
    for (int i = 0; i < run.fieldCount && !clash; ++i)
      clash = IsResultName(names[i], prefix, withBounds);
    if (clash)
      prefix.insert(0, ResultColumnPrefix);
  }
  for (int i = 0; i < run.fieldCount; ++i) {
    std::string quoted(2 * names[i].size() + 3, '\0');
    quoted.resize(static_cast<std::size_t>(PutCsvField(quoted.data(), names[i]) - quoted.data()));
    PutCliOutput(out, quoted);
    PutCliOutput(out, ",");
  }
  for (std::size_t i = 0; i < ResultCount; ++i) {
    PutCliOutput(out, prefix);
    PutCliOutput(out, CalcStateFieldName(ResultColumns[i]));
    if (withBounds)
      for (std::string_view suffix : RangeSuffixes) {
        PutCliOutput(out, ",");
        PutCliOutput(out, prefix);
        PutCliOutput(out, CalcStateFieldName(ResultColumns[i]));
        PutCliOutput(out, suffix);
      }
    PutCliOutput(out, i + 1 < ResultCount ? "," : "\n");
  }
}

void PutLabelHeader(BatchRun &run) { PutHeader(run, run.fieldNames); }

std::string FieldCountMessage(const BatchRun &run, int found) {
  std::string text = "expected ";
  text += std::to_string(run.fieldCount);
  text += " fields (";
  for (int i = 0; i < run.fieldCount; ++i) {
    if (i > 0)
      text += ", ";
    text += run.fieldNames[i];
  }
  const BatchSource &source = *run.source;
  text += source.mode != nullptr ? ") for mode " : ") for pair ";
  text += source.mode != nullptr ? source.mode->caption : source.pair->name;
  text += ", found ";
  text += std::to_string(found);
  return text;
}

// Why field `i` of a mode's record, as written (`field`), cannot be read
// strictly: a point where commas are the decimal mark, or not the one
// number that the window's entry row reads (`extent`, measured with the
// decimal commas read as points).
std::string ModeFieldProblem(const BatchRun &run, int i, std::string_view field,
                             bool pointAmongCommas, const EntryTextExtent &extent) {
  std::string what = "field " + std::to_string(i + 1) + " (" + std::string(run.fieldNames[i]) +
                     ") " + Quoted(field);
  if (pointAmongCommas)
    return what + " has a decimal point, but this input's decimal mark is the comma";
  switch (extent.kind) {
  case EntryTextKind::Number:
    break;
  case EntryTextKind::NoNumber:
    return what + " holds no number";
  case EntryTextKind::BeyondRange:
    return what + " is beyond the range of an entry row";
  case EntryTextKind::TrailingText: {
    const std::string_view rest = field.substr(extent.numberEnd);
    what += " has text after its number: " + Quoted(rest);
    if (rest[0] == ',' && !run.reading.decimalComma)
      what += " (a decimal comma needs --decimal-comma)";
    break;
  }
  }
  return what;
}

// The texts that RunCalc reads for a mode's record: its fields, with decimal
// commas turned into points; false with the line reported when a field is
// refused (never with --lenient, which reads every field as the window does).
bool ReadModeFields(BatchRun &run, const SplitRecord &record, std::string_view *texts) {
  char *scratch = run.converted.get();
  for (int i = 0; i < run.fieldCount; ++i) {
    const std::string_view field = record.fields[i];
    std::string_view text = field;
    bool pointAmongCommas = false;
    if (run.reading.decimalComma) {
      pointAmongCommas = field.find('.') != std::string_view::npos;
      if (field.find(',') != std::string_view::npos) {
        for (std::size_t k = 0; k < field.size(); ++k)
          scratch[k] = field[k] == ',' ? '.' : field[k];
        text = std::string_view(scratch, field.size());
        scratch += field.size();
      }
    }
    if (!run.reading.lenient) {
      const EntryTextExtent extent = MeasureEntryText(text);
      if (pointAmongCommas || extent.kind != EntryTextKind::Number) {
        ReportBadLine(run, ModeFieldProblem(run, i, field, pointAmongCommas, extent));
        return false;
      }
    }
    texts[i] = text;
  }
  return true;
}

// The record of a pair's readings and, with accuracy, the ranges of its
// results; or false with the line reported.
bool ConvertReadings(BatchRun &run, const SplitRecord &record, CalcState &s, CalcState &low,
                     CalcState &high) {
  const BatchSource &source = *run.source;
  const MeterReading *readings[3] = {&FrequencyReading, &source.pair->a, &source.pair->b};
  static constexpr std::string_view What[3] = {"field 1", "field 2", "field 3"};
  const DecimalMark mark = run.reading.decimalComma ? DecimalMark::Comma : DecimalMark::Point;
  double values[3] = {};
  std::string problem;
  for (int i = 0; i < 3; ++i)
    if (!ReadMeterReading(record.fields[i], *readings[i], What[i], values[i], problem, mark)) {
      ReportBadLine(run, problem);
      return false;
    }
  ConvertMeterPair(s, *source.pair, values[0], values[1], values[2]);
  if (source.withBounds)
    MeterPairRanges(*source.pair, values[0], values[1], values[2],
                    AbsoluteBound(source.accuracyA, values[1]),
                    AbsoluteBound(source.accuracyB, values[2]), s, low, high);
  return true;
}

void PutResultRow(BatchRun &run, const SplitRecord &record) {
  // Step 1: the calculation.
  const BatchSource &source = *run.source;
  CalcState s{}, low{}, high{};
  if (source.mode != nullptr) {
    std::string_view texts[MaxFields];
    if (!ReadModeFields(run, record, texts))
      return;
    RunCalc(s, source.mode->ModeId,
            std::span<const std::string_view>(texts, static_cast<std::size_t>(run.fieldCount)));
  } else if (!ConvertReadings(run, record, s, low, high)) {
    return;
  }

  // Step 2: the input columns as written; quoted where they hold a comma or
  // a quote, escaped where they hold bytes that are not printable ASCII.
  // Quoting at most doubles them; escaping may make them too long for one
  // reservation, and then they go out alone.
  CliOutput &out = *run.out;
  constexpr std::size_t NumbersLength = 3 * ResultCount * (NumberSpellingMax + 1);
  std::string_view fields[MaxFields];
  std::size_t length = 0;
  bool plain = true;
  for (int i = 0; i < run.fieldCount; ++i) {
    fields[i] = record.fields[i];
    length += fields[i].size();
    plain = plain && IsPlainField(fields[i]);
  }
  char *p;
  if (plain) {
    p = ReserveCliOutput(out, length + MaxFields + NumbersLength);
    for (int i = 0; i < run.fieldCount; ++i) {
      std::memcpy(p, fields[i].data(), fields[i].size());
      p += fields[i].size();
      *p++ = ',';
    }
  } else {
    length = 0;
    for (int i = 0; i < run.fieldCount; ++i) {
      fields[i] = CleanField(fields[i], run.escaped[i]);
      length += fields[i].size();
    }
    if (2 * length + 3 * MaxFields + NumbersLength <= out.capacity) {
      p = ReserveCliOutput(out, 2 * length + 3 * MaxFields + NumbersLength);
      for (int i = 0; i < run.fieldCount; ++i) {
        p = PutCsvField(p, fields[i]);
        *p++ = ',';
      }
    } else {
      for (int i = 0; i < run.fieldCount; ++i) {
        std::string quoted(2 * fields[i].size() + 3, '\0');
        char *end = PutCsvField(quoted.data(), fields[i]);
        *end++ = ',';
        PutCliOutput(
            out, std::string_view(quoted.data(), static_cast<std::size_t>(end - quoted.data())));
      }
      p = ReserveCliOutput(out, NumbersLength);
    }
  }

  // Step 3: the results.
  for (std::size_t i = 0; i < ResultCount; ++i) {
    p = SpellDoubleShortest(p, s.*ResultColumns[i]);
    if (source.withBounds) {
      *p++ = ',';
      p = SpellDoubleShortest(p, low.*ResultColumns[i]);
      *p++ = ',';
      p = SpellDoubleShortest(p, high.*ResultColumns[i]);
    }
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

// What starts a file saved as UTF-8 by many editors and spreadsheets.
constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// One physical line, without its line end.
void HandleLine(BatchRun &run, std::string_view line) {
  ++run.lineNumber;
  if (line.size() > BatchMaxLineLength) {
    ReportTooLong(run);
    return;
  }
  if (run.lineNumber == 1 && line.starts_with(ByteOrderMark))
    line.remove_prefix(ByteOrderMark.size());
  if (line.empty() || line[0] == '#' || IsBlank(line))
    return;

  if (run.reading.delimiter == 0)
    ChooseDelimiter(run.reading, line);
  SplitRecord record = SplitFields(line, run.reading.delimiter, run.unquoted.get());
  bool fits = record.problem == nullptr && record.count == run.fieldCount;
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
  else if (record.count != run.fieldCount)
    ReportBadLine(run, FieldCountMessage(run, record.count));
  else
    PutResultRow(run, record);
}

} // namespace

int RunBatch(const BatchSource &source, const BatchReading &reading, bool header,
             const CliStreams &streams, CliOutput &out) {
  BatchRun run;
  run.source = &source;
  run.reading = reading;
  if (source.mode != nullptr) {
    run.fieldCount = source.mode->rowCount;
    for (int i = 0; i < run.fieldCount; ++i)
      run.fieldNames[i] = source.mode->rows[i].name;
  } else {
    run.fieldCount = 3;
    run.fieldNames[0] = "F";
    run.fieldNames[1] = source.pair->a.name;
    run.fieldNames[2] = source.pair->b.name;
  }
  run.streams = &streams;
  run.out = &out;
  run.headerPending = header;
  run.unquoted = std::make_unique<char[]>(InputCapacity);
  run.converted = std::make_unique<char[]>(InputCapacity);

  auto buffer = std::make_unique<char[]>(InputCapacity);
  char *const data = buffer.get();
  std::size_t filled = 0;
  bool skipping = false; // inside a line already known to be too long
  bool afterCR = false;  // the last line ended with CR: an LF next belongs to it
  bool readFailed = false;
  bool started = false; // some input was read (or its end was)
  for (;;) {
    std::ptrdiff_t got = streams.ReadInput(streams.context, data + filled, InputCapacity - filled);
    if (got < 0) {
      readFailed = true;
      break;
    }
    // The label header goes out once the input could be read at all.
    if (!started && !header)
      PutLabelHeader(run);
    started = true;
    if (got == 0)
      break;
    // The kept part of an unfinished line holds no line end: the search
    // goes on where it stopped, so short reads cost no rescanning.
    std::size_t scanned = filled;
    filled += static_cast<std::size_t>(got);

    // Step 1: handle every complete line in the buffer. CR, LF and CR LF
    // all end a line (older instruments write CR alone).
    std::size_t start = 0;
    for (;;) {
      if (afterCR && start < filled) {
        if (data[start] == '\n')
          ++start;
        afterCR = false;
      }
      std::size_t end = start > scanned ? start : scanned;
      while (end < filled && data[end] != '\n' && data[end] != '\r')
        ++end;
      if (end == filled)
        break;
      if (skipping) {
        skipping = false;
        ++run.lineNumber;
        ReportTooLong(run);
      } else
        HandleLine(run, std::string_view(data + start, end - start));
      afterCR = data[end] == '\r';
      start = end + 1;
    }
    if (out.failed)
      break;

    // Step 2: keep the unfinished line, unless it is already too long to
    // keep, in which case drop it up to its end.
    std::size_t rest = filled - start;
    if (skipping || rest > BatchMaxLineLength) {
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
