#include "output/picture_notes.h"

#include <QFileInfo>
#include <cstdio>

#include "base/settings_table.h"
#include "common/native_names.h"

namespace {

// A word as a shell reads it back: as it is when it holds only the plainest characters of file
// names, in single quotes otherwise, and as $'...' with every byte beyond ASCII as \xNN when it
// is not UTF-8, so that the command names the very bytes of the file.
std::string ShellWord(const std::string& word) {
    const bool plain = !word.empty() && word.find_first_not_of(
                                            "abcdefghijklmnopqrstuvwxyz"
                                            "ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                            "0123456789_-+=./,:@%") == std::string::npos;
    if (plain) return word;
    if (common::PrintableName(word) == word) {
        std::string quoted = "'";
        for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
        return quoted + "'";
    }
    std::string quoted = "$'";
    for (char c : word) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\'' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte >= 0x20 && byte < 0x7f) {
            quoted += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            quoted += escaped;
        }
    }
    return quoted + "'";
}

QString Text(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

PictureNotes DescribePicture(const PictureOrigin& origin) {
    PictureNotes notes;
    // Names that are not UTF-8 are written with their odd bytes as \xNN, so that the text stays
    // valid in every format and still tells which bytes the name has.
    const std::string input = common::PrintableName(origin.input);
    notes.title = QFileInfo(Text(input)).fileName();
    notes.software = Text(origin.program + " " + origin.version);
    notes.entries.emplace_back(QStringLiteral("input"), Text(input));
    for (const auto& word : settings::Words(origin.settings))
        notes.entries.emplace_back(Text(word.first), Text(word.second));
    notes.entries.emplace_back(QStringLiteral("seed"), QString::number(origin.seed));
    std::string command = "tesmora-render " + ShellWord(origin.input) + " " +
                          settings::Options(origin.settings) + " --seed " + std::to_string(origin.seed);
    if (!origin.clicks.empty()) {
        QString clicks;
        for (const PixelPoint& c : origin.clicks) {
            const QString click = QStringLiteral("%1,%2").arg(c.x).arg(c.y);
            clicks += (clicks.isEmpty() ? QString() : QStringLiteral(" ")) + click;
            command += " --click " + click.toStdString();
        }
        notes.entries.emplace_back(QStringLiteral("click"), clicks);
    }
    notes.entries.emplace_back(QStringLiteral("command"), Text(command));
    return notes;
}

QString NotesText(const PictureNotes& notes) {
    QString text = QStringLiteral("Title: %1\nSoftware: %2\n").arg(notes.title, notes.software);
    for (const auto& [keyword, value] : notes.entries) text += keyword + QStringLiteral(": ") + value + '\n';
    return text;
}
