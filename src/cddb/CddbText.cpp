#include "CddbText.h"

#include <QStringDecoder>

namespace larkspin {

QString UrlEncode(const QString& text) {
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    for (unsigned char c : text.toUtf8()) {
        if (c == ' ')
            out += QLatin1Char('+');
        else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'))
            out += QLatin1Char(static_cast<char>(c));
        else {
            out += QLatin1Char('%');
            out += QLatin1Char(hex[c >> 4]);
            out += QLatin1Char(hex[c & 15]);
        }
    }
    return out;
}

bool IsHelloEmail(const QString& email) {
    const qsizetype at = email.lastIndexOf(QLatin1Char('@'));
    if (at <= 0 || at == email.size() - 1)
        return false;
    for (QChar c : email)
        if (c.unicode() <= 32 || c.unicode() == 127 || c.isSpace())
            return false;
    return true;
}

QString EmailToUserHost(const QString& email) {
    qsizetype at = email.lastIndexOf(QLatin1Char('@'));
    if (at < 0)
        return {};
    return email.left(at) + QLatin1Char(' ') + email.mid(at + 1);
}

QString TrimBlanks(const QString& text) {
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text[first].unicode() <= 32)
        ++first;
    while (last > first && text[last - 1].unicode() <= 32)
        --last;
    return text.mid(first, last - first);
}

QString XmcdUnescape(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            QChar next = value[i + 1];
            if (next == QLatin1Char('n')) {
                out += QLatin1String("\r\n");
                ++i;
                continue;
            }
            if (next == QLatin1Char('t')) {
                out += QLatin1Char('\t');
                ++i;
                continue;
            }
            if (next == QLatin1Char('\\')) {
                out += QLatin1Char('\\');
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

QList<QByteArray> SplitReplyLines(const QByteArray& reply, qsizetype maxLineBytes) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    const qsizetype size = reply.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && reply[end] != '\r' && reply[end] != '\n')
            ++end;
        lines.append(reply.mid(start, std::min(end - start, maxLineBytes)));
        if (end < size && reply[end] == '\r' && end + 1 < size && reply[end + 1] == '\n')
            ++end;
        start = end + 1;
    }
    return lines;
}

QString DecodeReplyLine(const QByteArray& line) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(line);
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(line);
}

QString ReplyCodeText(int code) {
    switch (code) {
    case 402:
        return QStringLiteral("Server error");
    case 408:
        return QStringLiteral("CGI environment error");
    case 500:
        return QStringLiteral("Command syntax error, command unknown, command unimplemented");
    case 530:
        return QStringLiteral("Server error, server timeout");
    default:
        break;
    }
    QString text;
    switch (code / 100) {
    case 1:
        text = QStringLiteral("Informative message");
        break;
    case 2:
        text = QStringLiteral("Command OK");
        break;
    case 3:
        text = QStringLiteral("Command OK so far");
        break;
    case 4:
        text = QStringLiteral("Command OK, but cannot be performed");
        break;
    case 5:
        text = QStringLiteral("Command unimplemented, incorrect, or program error");
        break;
    default:
        break;
    }
    switch (code % 100) {
    case 0:
        text += QStringLiteral(", ready for further commands");
        break;
    case 10:
        text += QStringLiteral(", more server-to-client output follows");
        break;
    case 20:
        text += QStringLiteral(", more client-to-server input follows");
        break;
    case 30:
        text += QStringLiteral(", connection will close");
        break;
    default:
        break;
    }
    return text;
}

QString ValueAfterEquals(const QString& line) {
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

std::pair<QString, QString> SplitAtSlash(const QString& text) {
    qsizetype at = text.indexOf(QLatin1String(" / "));
    const qsizetype back = text.indexOf(QLatin1String(" \\ "));
    if (at < 0 || (back >= 0 && back < at))
        at = back;
    if (at < 0)
        return {text, text};
    return {text.left(at), text.mid(at + 3)};
}

} // namespace larkspin
