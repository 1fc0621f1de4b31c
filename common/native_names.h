#pragma once

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

class QUrl;

// File names are bytes. Qt decodes them as UTF-8 and turns what is not UTF-8 into U+FFFD, so a
// name in Latin-1 ("Str\xf6mung.gri") would be lost on its way through a QString. These keep
// every byte: what is valid UTF-8 is decoded, and each other byte becomes one of the lone
// surrogates U+DC80..U+DCFF, which no decoded text contains (as Python's surrogateescape).
namespace common {

QString FromNative(std::string_view bytes);
// The bytes FromNative was given; other text as UTF-8.
std::string ToNative(const QString& text);
// The program's arguments, the program first, each through FromNative.
QStringList NativeArguments(int argc, char** argv);
// The local file a file dialog chose, from its URL's encoded path, so that names the dialog
// was handed as bytes come back as those bytes.
std::string NativePathOfUrl(const QUrl& url);
// A name for messages and file metadata: valid UTF-8 as it is, any other byte as \xNN.
std::string PrintableName(std::string_view bytes);

}  // namespace common
