#include "engine/TuningFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <thread>
#include <vector>

#include "engine/ParameterText.h"
#include "platform/TextFiles.h"

namespace {

constexpr std::string_view EXACT_HEADER = "[Exac";
constexpr std::string_view TUNING_HEADER = "[Tuni";
constexpr std::string_view ENTRY_WORD = "note";
// The note number starts after the word and one separating character.
constexpr std::size_t ENTRY_TEXT_START = 5;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

std::string_view skipBlanks(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && isBlank(text[at])) ++at;
    return text.substr(at);
}

// The lines as a reader with a 128-byte buffer gets them: up to and
// including a line break, at most 127 bytes at a time, at most 512 of them.
// Each line is then seen as a C string, ending at its first zero byte.
std::vector<std::string_view> splitLines(std::string_view text) {
    text = text.substr(0, std::min(text.size(), TUNING_FILE_MAX_BYTES));
    std::vector<std::string_view> lines;
    while (!text.empty() && lines.size() < static_cast<std::size_t>(TUNING_MAX_LINES)) {
        std::size_t length = std::min(text.size(), TUNING_LINE_LIMIT);
        const std::size_t lineBreak = text.substr(0, length).find('\n');
        if (lineBreak != std::string_view::npos) length = lineBreak + 1;
        std::string_view line = text.substr(0, length);
        line = line.substr(0, line.find('\0'));
        lines.push_back(line);
        text.remove_prefix(length);
    }
    return lines;
}

// The two sides of an entry, split at '=' with every '=' skipped, the way a
// tokenizer over "=" hands them out: "5==700" gives "5" and "700"; a text
// with no second side gives nothing.
bool splitEntry(std::string_view text, std::string_view& noteSide, std::string_view& centsSide) {
    const auto nextToken = [&text](std::string_view& token) {
        const std::size_t start = text.find_first_not_of('=');
        if (start == std::string_view::npos) return false;
        text.remove_prefix(start);
        const std::size_t end = std::min(text.find('='), text.size());
        token = text.substr(0, end);
        text.remove_prefix(end);
        return true;
    };
    return nextToken(noteSide) && nextToken(centsSide);
}

// A leading decimal integer after blanks and a sign; what follows it is not
// looked at. False when there are no digits or the number does not fit.
bool readLeadingInt(std::string_view text, int& value) {
    text = skipBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end != text.data();
}

// A leading decimal number after blanks and a sign, read the same in every
// locale (a host's decimal comma must not halve a tuning). False when there
// is none, or it is not finite or does not fit a double.
bool readLeadingCents(std::string_view text, double& value) {
    text = skipBlanks(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return error == std::errc() && end != text.data() && std::isfinite(value);
}

void applyEntry(std::string_view line, TTuningTable& table) {
    // A bare "note" has no text where the number would start.
    if (line.size() < ENTRY_TEXT_START) return;
    std::string_view noteSide, centsSide;
    if (!splitEntry(line.substr(ENTRY_TEXT_START), noteSide, centsSide)) return;
    int note = 0;
    double cents = 0;
    if (!readLeadingInt(noteSide, note) || note < 0 || note >= TUNING_NOTE_COUNT) return;
    if (!readLeadingCents(centsSide, cents)) return;
    cents = std::clamp(cents, TUNING_MIN_CENTS, TUNING_MAX_CENTS);
    table.tuningTable[static_cast<std::size_t>(note)] = static_cast<float>(cents / 100.0);
}

}  // namespace

TTuningTable TTuningTable::identity() {
    TTuningTable table;
    for (int note = 0; note < TUNING_NOTE_COUNT; ++note)
        table.tuningTable[static_cast<std::size_t>(note)] = static_cast<float>(note);
    return table;
}

TTuningFileResult parseTuningText(std::string_view text) {
    TTuningFileResult result;
    const std::vector<std::string_view> lines = splitLines(text);

    // The last header of each kind counts.
    int exactHeader = -1;
    int tuningHeader = -1;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].starts_with(EXACT_HEADER)) exactHeader = static_cast<int>(i);
        if (lines[i].starts_with(TUNING_HEADER)) tuningHeader = static_cast<int>(i);
    }
    const int start = exactHeader >= 0 ? exactHeader : tuningHeader;
    if (start < 0) return result;
    result.sectionFound = true;

    // Only a ';' line ends the section; another header inside it does not.
    for (std::size_t i = static_cast<std::size_t>(start) + 1; i < lines.size(); ++i) {
        if (lines[i].starts_with(';')) break;
        if (lines[i].starts_with(ENTRY_WORD)) applyEntry(lines[i], result.table);
    }
    return result;
}

TTuningFileResult readTuningFile(const std::string& path) {
    std::string text;
    const platform::TFileReadResult read = platform::readFileBounded(path, TUNING_FILE_MAX_BYTES, text);
    if (read != platform::TFileReadResult::ok && read != platform::TFileReadResult::truncated) return {};
    return parseTuningText(text);
}

// ---------------------------------------------------------------- the name

bool isSafeTuningName(std::string_view name) {
    if (name.empty() || name.front() == '.') return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return c == '/' || c == '\\' || byte < 32 || byte == 127;
    });
}

std::string tuningFilePath(const std::string& folder, std::string_view name) {
    if (!isSafeTuningName(name)) return {};
    return folder + "/" + std::string(name) + ".tun";
}

// Every slot is written as a character, the ones past the name's end as
// character 0, whose value is not 0: a host that saves the parameters keeps
// these values, so a tuning loaded here saves as it always has. Each byte
// stands for itself; one above 127 is clamped to 0 and ends the name as read,
// while the characters after it are still written.
std::array<float, TUNING_NAME_SLOTS> spellTuningName(std::string_view name) {
    std::array<float, TUNING_NAME_SLOTS> values{};
    const std::size_t length = std::min(name.size(), static_cast<std::size_t>(TUNING_NAME_LIMIT));
    for (std::size_t i = 0; i < values.size(); ++i)
        values[i] = parameterTextValue(i < length ? static_cast<signed char>(name[i]) : 0);
    return values;
}

std::string readTuningName(const std::array<float, TUNING_NAME_SLOTS>& values) {
    std::string name;
    for (const float value : values) {
        const float clamped = std::isnan(value) ? 0.0f : std::clamp(value, 0.0f, 1.0f);
        const int c = static_cast<int>(clamped * 255.99f);
        if (c == 0) break;
        name.push_back(static_cast<char>(c));
    }
    return name;
}

// ---------------------------------------------------------------- the table in use

// A reader's stay inside the table: counted in before the pointer is taken,
// out after the last access. Sequentially consistent on both sides, so a
// publisher that sees no reader after its swap knows that any later reader
// takes the new pointer.
class TTuningTableHolder::TReading {
public:
    explicit TReading(const TTuningTableHolder& holder) : holder(holder) {
        holder.readers.fetch_add(1, std::memory_order_seq_cst);
    }
    ~TReading() { holder.readers.fetch_sub(1, std::memory_order_seq_cst); }
    TReading(const TReading&) = delete;
    TReading& operator=(const TReading&) = delete;
    const TTuningTable& table() const { return *holder.active.load(std::memory_order_seq_cst); }

private:
    const TTuningTableHolder& holder;
};

TTuningTableHolder::TTuningTableHolder() : active(new TTuningTable(TTuningTable::identity())) {}

TTuningTableHolder::~TTuningTableHolder() { delete active.load(std::memory_order_relaxed); }

void TTuningTableHolder::publish(const TTuningTable& table) {
    const auto* fresh = new TTuningTable(table);
    std::lock_guard<std::mutex> lock(publishing);
    const TTuningTable* old = active.exchange(fresh, std::memory_order_seq_cst);
    // A reader's stay is a few loads; waiting for it is shorter than any
    // hand-over to another thread would be.
    while (readers.load(std::memory_order_seq_cst) != 0) std::this_thread::yield();
    delete old;
}

float TTuningTableHolder::getPitch(int note) const noexcept {
    const auto index = static_cast<std::size_t>(std::clamp(note, 0, TUNING_NOTE_COUNT - 1));
    TReading reading(*this);
    return reading.table().tuningTable[index];
}

void TTuningTableHolder::copyTable(TTuningTable& out) const noexcept {
    TReading reading(*this);
    out = reading.table();
}
