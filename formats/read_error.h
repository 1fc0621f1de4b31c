#pragma once

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

#include "base/reporter.h"

namespace formats {

// Where in a file something is wrong, as both languages say it.
struct Place {
    std::string german;
    std::string english;
};
Place AtLine(std::int64_t line);
Place AtByte(std::int64_t offset);
// A place without a position: the file as a whole.
Place Whole();

// Why a file cannot be read, as the user is told. The parsers throw it; the reader turns it
// into one report, so a parser never has to unwind by hand.
class ReadError : public std::exception {
public:
    explicit ReadError(Message message) : m_message(std::move(message)) {}
    const Message& GetMessage() const { return m_message; }
    const char* what() const noexcept override { return m_message.english.c_str(); }

private:
    Message m_message;
};

// Throws a ReadError whose texts start with the file's name and the place:
// "„a.txt“, Zeile 3: …" and "a.txt, line 3: …".
[[noreturn]] void Fail(const std::string& file, const Place& where, const std::string& german,
                       const std::string& english, const char* caption = messages::kLoadingErrorCaption);

// The shortest text that reads back as the same number, for values quoted in messages.
std::string Num(double value);
std::string Num(std::int64_t value);
// A file name as German text quotes it.
std::string Quoted(const std::string& file);
// Text from the file as a message quotes it: at most a few dozen bytes, a tab shown as \t and
// every other byte that prints nothing (control characters, broken UTF-8) as \xNN, so that a
// damaged file cannot fill a message box and the reader sees what the file holds.
std::string Excerpt(std::string_view text, std::size_t longest = 40);

}  // namespace formats
