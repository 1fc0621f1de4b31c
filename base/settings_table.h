#pragma once

#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/draw_settings.h"

// Every setting of a picture as one row: its option word, what kind of value it takes and
// which, its default, its help, and how it reads and writes its field of DrawSettings. The
// command line and its help (and so the manual page), the notes a picture carries, the JSON
// settings, completion and the fuzz decoder all follow this table, so a new setting is a field,
// a row here and what it does.
namespace settings {

enum class Kind {
    Choice,  // one of named values
    Whole,   // a whole number from lo to hi
    Length,  // a real number from lo to hi when given; 0 (the option left out) otherwise
    Switch,  // on when given
    Text,    // a value of its own form, read and written by the row's functions
};

// A value of a choice and the word that names it.
struct Word {
    const char* word;
    int value;
};

struct Row {
    const char* name = nullptr;  // the option without its dashes; the key in notes and JSON
    Kind kind = Kind::Switch;
    const char* valueName = nullptr;     // what --help calls the value; null for a switch
    std::span<const Word> choices = {};  // a choice's words, in the order help lists them
    // Further words a choice accepts and never writes: earlier names kept so that every
    // command recorded in a picture still draws it.
    std::span<const Word> aliases = {};
    double lo = 0.0;  // a whole number's or a length's range
    double hi = 0.0;
    const char* what = nullptr;  // what a whole number or a length must be, for messages
    // The help text; {choices}, {range} and {default} stand for the choice list, "lo..hi" and
    // the default's word.
    const char* help = nullptr;
    // The field as a number and back; for Text, whether it differs from the default.
    double (*get)(const DrawSettings&) = nullptr;
    void (*set)(DrawSettings&, double) = nullptr;
    // Text only: the value as the option takes it, and reading it (false, with WHY telling
    // what the option takes, for anything else).
    std::string (*text)(const DrawSettings&) = nullptr;
    bool (*read)(DrawSettings&, std::string_view, std::string& why) = nullptr;
    // Text only: values that show what it takes, for completion and the fuzzer; the first is
    // the default.
    std::span<const char* const> samples = {};
    // How the picture is dressed as a figure (axes, title, arrow heads, lines, language), not
    // what it shows of the flow. Such a setting is listed in the notes and the JSON only when it
    // differs from its default, so that a picture made without it reads as before; the fuzzer,
    // which tests reading and placing, leaves it at its default.
    bool figure = false;
    // Which part of the file is read (the plane of a 3-D file), not how it is drawn: as a figure
    // setting, listed in the notes and the JSON only when it differs from its default, so that
    // a picture of a 2-D file reads as before; the fuzzer, whose data sets are 2-D, leaves it at
    // its default too.
    bool reading = false;
    // How a series of frames is drawn as a whole: a single data set is drawn the same whatever
    // it is, so it too is listed only when it differs from its default, and the fuzzer, whose
    // data sets are single, leaves it at its default.
    bool series = false;
};

// Whether a row is left out of the notes, the JSON and a command at its default: figure,
// reading and series settings.
inline bool ListedOnlyWhenSet(const Row& row) {
    return row.figure || row.reading || row.series;
}

std::span<const Row> Table();
// The row named NAME, or null.
const Row* Find(std::string_view name);

// "a|b|c" of WORDS, and of a choice's words.
std::string ChoiceList(std::span<const Word> words);
std::string ChoiceList(const Row& row);
// The word of VALUE among the row's choices, or "unknown".
const char* WordOf(const Row& row, int value);
// The value of WORD among CHOICES and ALIASES; false when it names none.
bool ValueOf(std::span<const Word> choices, std::span<const Word> aliases, std::string_view word, int& value);

// The row's help with its placeholders filled in from the row and the defaults.
std::string HelpText(const Row& row);

// A setting's value as the option takes it: a choice's word, a whole number, a length's
// shortest text that reads back the same ("0" for the time step), "true" or "false", or a
// text value's own form.
std::string ValueText(const Row& row, const DrawSettings& s);

// Whether the row's setting in S is its default (a text value: left out).
bool AtDefault(const Row& row, const DrawSettings& s);

// Every setting as (name, value text), in the table's order; a figure setting only when it
// differs from its default.
std::vector<std::pair<std::string, std::string>> Words(const DrawSettings& s);
// The options that draw S again, as they would be typed: "--background speed ...". Lengths,
// switches, text values and figure settings at their defaults are left out; a text value that
// is not a plain word is in single quotes, as a shell reads it back.
std::string Options(const DrawSettings& s);

// The words of the settings' choices, for code that names one value.
const char* MethodWord(int method);
const char* BackgroundWord(int background);
const char* ColourMapWord(int map);
const char* AspectWord(int aspect);
const char* PlacementWord(int placement);

}  // namespace settings
