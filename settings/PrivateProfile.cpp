// SPDX-License-Identifier: GPL-3.0-or-later
// Our own reader and writer, because Debian's SimpleIni rewrites the whole file on every save and
// so loses the comments, spacing, line ends and odd bytes of a hand-edited catalogue.
#include "PrivateProfile.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <optional>
#include <vector>

namespace {

// One line of the file as byte offsets, so that a write can splice the file without
// re-encoding anything it does not touch.
struct Line
{
    qsizetype begin = 0;   // first byte of the line
    qsizetype end = 0;   // one past its last byte, line end excluded
    qsizetype next = 0;   // first byte of the following line
};

enum class Kind { Blank, Comment, Section, Key, Other };

struct ParsedLine
{
    Line line;
    Kind kind = Kind::Other;
    QString name;   // section name or key name, trimmed
    QByteArray value;   // raw value bytes of a key line, trimmed
};

constexpr char Utf8Bom[] = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

QByteArray trimmed(QByteArrayView bytes)
{
    qsizetype b = 0;
    qsizetype e = bytes.size();
    while (b < e && isBlank(bytes[b]))
        ++b;
    while (e > b && isBlank(bytes[e - 1]))
        --e;
    return bytes.sliced(b, e - b).toByteArray();
}

qsizetype bomLength(const QByteArray &bytes)
{
    return bytes.startsWith(QByteArrayView(Utf8Bom, 3)) ? 3 : 0;
}

std::vector<ParsedLine> parse(const QByteArray &bytes)
{
    std::vector<ParsedLine> lines;
    qsizetype pos = bomLength(bytes);
    while (pos < bytes.size()) {
        ParsedLine parsed;
        qsizetype nl = bytes.indexOf('\n', pos);
        parsed.line.begin = pos;
        parsed.line.next = nl < 0 ? bytes.size() : nl + 1;
        qsizetype end = nl < 0 ? bytes.size() : nl;
        if (end > pos && bytes[end - 1] == '\r')
            --end;
        parsed.line.end = end;
        pos = parsed.line.next;

        const QByteArray text = trimmed(
            QByteArrayView(bytes).sliced(parsed.line.begin, end - parsed.line.begin));
        if (text.isEmpty()) {
            parsed.kind = Kind::Blank;
        } else if (text.startsWith(';') || text.startsWith('#')) {
            parsed.kind = Kind::Comment;
        } else if (text.startsWith('[')) {
            // Anything after the closing bracket is ignored, as the classic functions do.
            const qsizetype close = text.indexOf(']');
            const QByteArray name = text.mid(1, close < 0 ? -1 : close - 1);
            parsed.kind = Kind::Section;
            parsed.name = QString::fromUtf8(trimmed(name));
        } else if (const qsizetype eq = text.indexOf('='); eq >= 0) {
            parsed.kind = Kind::Key;
            parsed.name = QString::fromUtf8(trimmed(QByteArrayView(text).first(eq)));
            parsed.value = trimmed(QByteArrayView(text).sliced(eq + 1));
        }
        lines.push_back(std::move(parsed));
    }
    return lines;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Where a section and a key sit in the parsed lines. Only the first section of a name counts,
// and within it only the first key of a name.
struct Location
{
    std::optional<size_t> section;   // index of the section's header line
    std::optional<size_t> key;   // index of the key's line
    size_t lastContent = 0;   // last header/key/other line of the section
};

Location locate(const std::vector<ParsedLine> &lines, const QString &section, const QString &key)
{
    Location loc;
    for (size_t i = 0; i < lines.size(); ++i) {
        const ParsedLine &l = lines[i];
        if (!loc.section) {
            if (l.kind == Kind::Section && sameName(l.name, section)) {
                loc.section = i;
                loc.lastContent = i;
            }
            continue;
        }
        if (l.kind == Kind::Section)
            break;
        if (l.kind == Kind::Key || l.kind == Kind::Other)
            loc.lastContent = i;
        if (l.kind == Kind::Key && !loc.key && sameName(l.name, key))
            loc.key = i;
    }
    return loc;
}

QString unquote(const QByteArray &raw)
{
    QByteArray bytes = raw;
    if (bytes.size() >= 2 && bytes.startsWith('"') && bytes.endsWith('"'))
        bytes = bytes.mid(1, bytes.size() - 2);
    // Read whole, however long: a cut folder or list would be used (and saved) as if it were the
    // user's.
    return QString::fromUtf8(bytes);
}

bool readAll(const QString &filePath, QByteArray &bytes, bool &exists)
{
    QFile file(filePath);
    exists = file.exists();
    if (!exists)
        return true;
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return file.error() == QFileDevice::NoError;
}

QByteArray lineEndingOf(const QByteArray &bytes)
{
    const qsizetype nl = bytes.indexOf('\n');
    return nl > 0 && bytes[nl - 1] == '\r' ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n");
}

bool hasLineBreak(const QString &s)
{
    return s.contains(QLatin1Char('\n')) || s.contains(QLatin1Char('\r'));
}

// A value that reading would change (outer white space, outer quotes) is written in quotes, so
// that it reads back exactly as given.
QByteArray encodeValue(const QString &value)
{
    const QByteArray bytes = value.toUtf8();
    const bool needsQuotes = trimmed(bytes) != bytes
                             || (bytes.size() >= 2 && bytes.startsWith('"') && bytes.endsWith('"'));
    return needsQuotes ? '"' + bytes + '"' : bytes;
}

}   // namespace

namespace PrivateProfile {

QString readString(const QString &filePath, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    return readValue(filePath, section, key).value_or(defaultValue);
}

std::optional<QString> readValue(const QString &filePath, const QString &section,
                                 const QString &key)
{
    QByteArray bytes;
    bool exists = false;
    if (!readAll(filePath, bytes, exists) || !exists)
        return std::nullopt;
    const std::vector<ParsedLine> lines = parse(bytes);
    const Location loc = locate(lines, section.trimmed(), key.trimmed());
    if (!loc.key)
        return std::nullopt;
    return unquote(lines[*loc.key].value);
}

bool writeString(const QString &filePath, const QString &section, const QString &key,
                 const QString &value)
{
    const QString sectionName = section.trimmed();
    const QString keyName = key.trimmed();
    // A line break would smuggle further lines into the file, and these characters would make
    // the line read back as something else; such writes are refused rather than mangled.
    if (hasLineBreak(sectionName) || sectionName.contains(QLatin1Char(']')) || keyName.isEmpty()
        || hasLineBreak(keyName) || keyName.contains(QLatin1Char('=')) || hasLineBreak(value)
        || keyName.startsWith(QLatin1Char('[')) || keyName.startsWith(QLatin1Char(';'))
        || keyName.startsWith(QLatin1Char('#'))) {
        return false;
    }

    QByteArray bytes;
    bool exists = false;
    if (!readAll(filePath, bytes, exists))
        return false;
    // QSaveFile replaces the file through its folder, which would also overwrite a file that
    // the user made read-only.
    if (exists && !QFileInfo(filePath).isWritable())
        return false;

    const QByteArray eol = lineEndingOf(bytes);
    const QByteArray keyLine = keyName.toUtf8() + '=' + encodeValue(value);
    const std::vector<ParsedLine> lines = parse(bytes);
    const Location loc = locate(lines, sectionName, keyName);

    QByteArray out;
    if (loc.key) {
        const Line &l = lines[*loc.key].line;
        out = bytes.left(l.begin) + keyLine + bytes.mid(l.end);
    } else if (loc.section) {
        const Line &after = lines[loc.lastContent].line;
        if (after.next == after.end) {
            // The section's last line ends the file without a line end.
            out = bytes + eol + keyLine;
        } else {
            out = bytes.left(after.next) + keyLine + eol + bytes.mid(after.next);
        }
    } else {
        out = bytes;
        if (out.size() > bomLength(out) && !out.endsWith('\n'))
            out += eol;
        out += '[' + sectionName.toUtf8() + ']' + eol + keyLine + eol;
    }

    QSaveFile file(filePath);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // QSaveFile::commit() does not notice a failing flush of its buffer (a full disk), so the
    // data is pushed out and checked here first.
    if (file.write(out) != out.size() || !file.flush()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

}   // namespace PrivateProfile
