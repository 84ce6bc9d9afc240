#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

namespace larkspin {

// A blank becomes "+", A-Z, a-z and 0-9 stay, every other byte of the UTF-8 text becomes "%XX".
QString UrlEncode(const QString& text);

// True for an address a CDDB server takes in its hello: "user@host" with both parts present and no
// blanks or control characters.
bool IsHelloEmail(const QString& email);

// "user@host" -> "user host"; the last "@" decides. A text without "@" gives an empty text.
QString EmailToUserHost(const QString& email);

// Removes the characters 0 to 32 (blanks and control characters) at both ends.
QString TrimBlanks(const QString& text);

// Undoes the escapes of xmcd values in one pass: "\n" -> CR LF, "\t" -> tab, "\\" -> "\".
QString XmcdUnescape(const QString& value);

// Splits a server reply into lines. A line ends at CR or LF (CR LF is one break); a last line without a
// break is kept. Lines longer than maxLineBytes are cut to that length.
QList<QByteArray> SplitReplyLines(const QByteArray& reply, qsizetype maxLineBytes);

// Protocol level 6 sends UTF-8; a line that is not valid UTF-8 (an old entry) is taken as Latin-1.
QString DecodeReplyLine(const QByteArray& line);

// The status text of a numeric reply code, from its first digit and its last two digits.
QString ReplyCodeText(int code);

// The value of an xmcd line: the text after the first "="; a line without "=" gives an empty text.
QString ValueAfterEquals(const QString& line);

// "Artist / Title" as "Artist" and "Title": split at the first " / " (or " \ "), the separator of CDDB
// entries; a slash inside a name ("AC/DC", "Either/Or") stays. Without a separator both parts are the
// whole text.
std::pair<QString, QString> SplitAtSlash(const QString& text);

} // namespace larkspin
