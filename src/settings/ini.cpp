#include "ini.h"

#include "fileowner.h"
#include "settingslogging.h"
#include "text/ansi.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QSaveFile>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

#include <optional>

using namespace Qt::StringLiterals;

namespace zq {

namespace {

// A settings file holds a product code and one login; anything larger is not ours, and
// reading it whole on every lookup would stall the window.
constexpr qint64 kMaxFileSize = qint64(1024) * 1024;

// The private-profile read buffer is 60,000 bytes, one of which is the terminating NUL.
constexpr int kMaxValueBytes = 59999;

const QByteArray kUtf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// Blanks are ASCII, and a GBK trail byte is never below 0x40, so trimming and searching
// for '=' or quotes byte-wise can never cut a double-byte character in two.
QByteArray trimBlanks(const QByteArray &bytes)
{
    qsizetype begin = 0;
    qsizetype end = bytes.size();
    while (begin < end && isBlank(bytes.at(begin)))
        ++begin;
    while (end > begin && isBlank(bytes.at(end - 1)))
        --end;
    return bytes.mid(begin, end - begin);
}

struct Line
{
    QByteArray content; // without the line end
    QByteArray eol;     // "\r\n", "\n" or empty for a last line without one
};

struct ParsedLine
{
    enum Kind
    {
        Blank,
        Comment,
        Section,
        Key
    };
    Kind kind = Blank;
    QString name;
    qsizetype equals = -1; // position of '=' in the line's content, -1 when the key has no value
};

ParsedLine parseLine(const Line &line, bool first)
{
    QByteArray content = line.content;
    qsizetype offset = 0;
    if (first && content.startsWith(kUtf8Bom)) {
        // An editor's byte-order mark must not hide the first section.
        offset = kUtf8Bom.size();
        content = content.mid(offset);
    }

    ParsedLine parsed;
    const QByteArray trimmed = trimBlanks(content);
    if (trimmed.isEmpty())
        return parsed;
    if (trimmed.startsWith(';')) {
        parsed.kind = ParsedLine::Comment;
        return parsed;
    }
    if (trimmed.startsWith('[')) {
        // ']' can be a GBK trail byte, so look for it in the decoded text.
        const QString decoded = fromAnsi(trimmed);
        const qsizetype close = decoded.indexOf(u']');
        if (close > 0) {
            parsed.kind = ParsedLine::Section;
            parsed.name = decoded.mid(1, close - 1).trimmed();
            return parsed;
        }
        // A header without its bracket is an ordinary line, as the system functions read it.
    }
    const qsizetype equals = content.indexOf('=');
    const QByteArray name = trimBlanks(equals >= 0 ? content.left(equals) : content);
    if (name.isEmpty())
        return parsed;
    parsed.kind = ParsedLine::Key;
    parsed.name = fromAnsi(name);
    parsed.equals = equals >= 0 ? equals + offset : -1;
    return parsed;
}

bool sameName(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

class Document final
{
public:
    explicit Document(const QByteArray &bytes)
    {
        qsizetype start = 0;
        while (start < bytes.size()) {
            const qsizetype newline = bytes.indexOf('\n', start);
            Line line;
            if (newline < 0) {
                line.content = bytes.mid(start);
                start = bytes.size();
            } else {
                line.content = bytes.mid(start, newline - start);
                line.eol = QByteArrayLiteral("\n");
                if (line.content.endsWith('\r')) {
                    line.content.chop(1);
                    line.eol = QByteArrayLiteral("\r\n");
                }
                start = newline + 1;
            }
            m_parsed.append(parseLine(line, m_lines.isEmpty()));
            m_lines.append(line);
        }
    }

    // First section of that name; later sections of the same name are not consulted,
    // as with the system functions.
    std::optional<qsizetype> findSection(const QString &name) const
    {
        for (qsizetype i = 0; i < m_parsed.size(); ++i) {
            if (m_parsed.at(i).kind == ParsedLine::Section && sameName(m_parsed.at(i).name, name))
                return i;
        }
        return std::nullopt;
    }

    qsizetype sectionEnd(qsizetype header) const
    {
        qsizetype i = header + 1;
        while (i < m_parsed.size() && m_parsed.at(i).kind != ParsedLine::Section)
            ++i;
        return i;
    }

    std::optional<qsizetype> findKey(qsizetype header, const QString &name) const
    {
        const qsizetype end = sectionEnd(header);
        for (qsizetype i = header + 1; i < end; ++i) {
            if (m_parsed.at(i).kind == ParsedLine::Key && sameName(m_parsed.at(i).name, name))
                return i;
        }
        return std::nullopt;
    }

    QByteArray rawValue(qsizetype index) const
    {
        const qsizetype equals = m_parsed.at(index).equals;
        if (equals < 0)
            return {};
        QByteArray value = trimBlanks(m_lines.at(index).content.mid(equals + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
            value = value.mid(1, value.size() - 2);
        return value;
    }

    // Returns false when the line already holds that value.
    bool setValue(qsizetype index, const QByteArray &value)
    {
        Line &line = m_lines[index];
        const qsizetype equals = m_parsed.at(index).equals;
        QByteArray content;
        if (equals < 0) {
            content = line.content + '=' + value;
        } else {
            // Keep the name and the blanks after '=' as they were; only the value changes.
            qsizetype valueStart = equals + 1;
            while (valueStart < line.content.size() && isBlank(line.content.at(valueStart)))
                ++valueStart;
            content = line.content.left(valueStart) + value;
        }
        if (content == line.content)
            return false;
        line.content = content;
        m_parsed[index].equals = equals < 0 ? line.content.indexOf('=') : equals;
        return true;
    }

    void insertKey(qsizetype header, const QString &name, const QByteArray &nameBytes, const QByteArray &value)
    {
        // After the section's last entry, so blank lines and comments that lead into the
        // next section stay with it.
        qsizetype last = header;
        const qsizetype end = sectionEnd(header);
        for (qsizetype i = header + 1; i < end; ++i) {
            if (m_parsed.at(i).kind == ParsedLine::Key)
                last = i;
        }
        insertLine(last + 1, nameBytes + '=' + value, ParsedLine{ParsedLine::Key, name, nameBytes.size()});
    }

    void appendSection(const QString &section, const QByteArray &sectionBytes, const QString &name,
                       const QByteArray &nameBytes, const QByteArray &value)
    {
        insertLine(m_lines.size(), '[' + sectionBytes + ']', ParsedLine{ParsedLine::Section, section, -1});
        insertKey(m_lines.size() - 1, name, nameBytes, value);
    }

    QByteArray bytes() const
    {
        QByteArray out;
        for (const Line &line : m_lines)
            out += line.content + line.eol;
        return out;
    }

private:
    // New lines follow the file's own line-end style; a new file gets CRLF.
    QByteArray newline() const
    {
        for (const Line &line : m_lines) {
            if (!line.eol.isEmpty())
                return line.eol;
        }
        return QByteArrayLiteral("\r\n");
    }

    void insertLine(qsizetype at, const QByteArray &content, const ParsedLine &parsed)
    {
        const QByteArray eol = newline();
        if (at > 0 && m_lines.at(at - 1).eol.isEmpty())
            m_lines[at - 1].eol = eol;
        m_lines.insert(at, Line{content, eol});
        m_parsed.insert(at, parsed);
    }

    QList<Line> m_lines;
    QList<ParsedLine> m_parsed;
};

enum class Load
{
    Missing,
    Ok,
    Unusable
};

Load loadFile(const QString &path, QByteArray *bytes)
{
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return Load::Missing;
    // Directories, devices and pipes are not settings files; opening a pipe could block.
    if (!info.isFile() || info.size() > kMaxFileSize)
        return Load::Unusable;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Load::Unusable;
    *bytes = file.read(kMaxFileSize + 1);
    // NUL bytes mean the file is not text; reading values out of it would only be a guess.
    if (bytes->size() > kMaxFileSize || bytes->contains('\0'))
        return Load::Unusable;
    return Load::Ok;
}

bool isHiddenOrSystem(const QFileInfo &info)
{
    if (info.isHidden())
        return true;
#ifdef Q_OS_WIN
    const DWORD attributes = GetFileAttributesW(
        reinterpret_cast<const wchar_t *>(QDir::toNativeSeparators(info.absoluteFilePath()).utf16()));
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_SYSTEM))
        return true;
#endif
    return false;
}

} // namespace

QString linkRefusal(const QString &filePath)
{
    const QFileInfo link(filePath);
    if (!link.isSymLink())
        return {};
    // Every link of a chain resolved; empty when it ends nowhere or runs in a circle. A write
    // there would make a file wherever the link points.
    const QString target = link.canonicalFilePath();
    if (target.isEmpty())
        return u"a symbolic link that leads to no file"_s;
    const QFileInfo file(target);
    if (!file.isFile())
        return u"a symbolic link to something other than a file, "_s + target;
    if (!ownedByCurrentUser(target))
        return u"a symbolic link to a file of another user, "_s + target;
    return {};
}

QString cutAtNul(const QString &text)
{
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

QString readIniValue(const QString &section, const QString &key, const QString &filePath)
{
    if (filePath.isEmpty())
        return {};
    const QString sectionName = section.isEmpty() ? u"Boot"_s : cutAtNul(section).trimmed();
    const QString keyName = cutAtNul(key).trimmed();
    if (keyName.isEmpty())
        return {};

    const QFileInfo info(filePath);
    if (!info.isFile() || isHiddenOrSystem(info))
        return {};
    QByteArray bytes;
    if (loadFile(filePath, &bytes) != Load::Ok) {
        qCDebug(lcSettings) << "not a readable settings file:" << filePath;
        return {};
    }

    const Document document(bytes);
    const auto header = document.findSection(sectionName);
    if (!header)
        return {};
    const auto line = document.findKey(*header, keyName);
    if (!line)
        return {};
    return cutAtNul(fromAnsi(cutAnsi(document.rawValue(*line), kMaxValueBytes)));
}

bool writeIniValue(const QString &section, const QString &key, const QString &value, const QString &filePath,
                   FileAccess access)
{
    return writeIniValues(section, {IniValue{key, value}}, filePath, access);
}

bool writeIniValues(const QString &section, const QList<IniValue> &values, const QString &filePath, FileAccess access)
{
    if (filePath.isEmpty() || values.isEmpty())
        return false;
    const QString sectionName = section.isEmpty() ? u"Boot"_s : cutAtNul(section).trimmed();

    // Anything that would not read back as the same one line is refused rather than
    // written into a line that splits or hides the entry.
    const auto breaksLine = [](const QString &s) { return s.contains(u'\n') || s.contains(u'\r'); };
    if (breaksLine(sectionName) || sectionName.isEmpty() || sectionName.contains(u']')) {
        qCDebug(lcSettings) << "refused a section name that cannot be stored on one line:" << sectionName;
        return false;
    }
    QList<IniValue> entries;
    entries.reserve(values.size());
    for (const IniValue &entry : values) {
        // The names and the value reach the file as C strings: a NUL ends them.
        const QString keyName = cutAtNul(entry.key).trimmed();
        const QString text = cutAtNul(entry.value);
        if (keyName.isEmpty() || text.isEmpty())
            return false;
        if (breaksLine(keyName) || breaksLine(text) || keyName.contains(u'=') || keyName.startsWith(u'[') ||
            keyName.startsWith(u';')) {
            qCDebug(lcSettings) << "refused a value that cannot be stored on one line:" << sectionName << keyName;
            return false;
        }
        entries.append({keyName, text});
    }

    // The new file takes the place of the link's target: only one of the user's own.
    const QString link = linkRefusal(filePath);
    if (!link.isEmpty()) {
        qCDebug(lcSettings).noquote() << "left alone," << filePath << "is" << link;
        return false;
    }
    QByteArray bytes;
    const Load load = loadFile(filePath, &bytes);
    if (load == Load::Unusable) {
        qCDebug(lcSettings) << "left alone, not a settings file:" << filePath;
        return false;
    }

    Document document(bytes);
    const QByteArray sectionBytes = toAnsi(sectionName);
    bool changed = false;
    for (const IniValue &entry : std::as_const(entries)) {
        const QByteArray valueBytes = toAnsi(entry.value);
        const QByteArray keyBytes = toAnsi(entry.key);
        const auto header = document.findSection(sectionName);
        if (!header) {
            document.appendSection(sectionName, sectionBytes, entry.key, keyBytes, valueBytes);
            changed = true;
        } else if (const auto line = document.findKey(*header, entry.key)) {
            changed = document.setValue(*line, valueBytes) || changed;
        } else {
            document.insertKey(*header, entry.key, keyBytes, valueBytes);
            changed = true;
        }
    }
    if (!changed)
        return true;

    const QByteArray out = document.bytes();
    if (out.size() > kMaxFileSize) {
        qCDebug(lcSettings) << "refused a write that would make the file too large to read back:" << filePath;
        return false;
    }

    // A temporary file renamed over the old one: a crash or a full disk leaves the old
    // file whole, with every old value.
    QSaveFile file(filePath);
    // Unbuffered: Qt 6.4's commit() misses an error of the final buffer flush (a short
    // write on a full disk) and would rename the torn file over the good one.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        qCDebug(lcSettings) << "cannot write" << filePath << file.errorString();
        return false;
    }
    // The file may hold a password: a new one is for its owner only, and so is an existing one
    // that is given a secret; set on the new file before anything is written into it.
    if (load == Load::Missing || access == FileAccess::OwnerOnly)
        file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    if (file.write(out) != out.size() || !file.flush() || file.error() != QFileDevice::NoError) {
        qCDebug(lcSettings) << "cannot write" << filePath << file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        qCDebug(lcSettings) << "cannot write" << filePath << file.errorString();
        return false;
    }
    return true;
}

} // namespace zq
