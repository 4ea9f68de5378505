#include "settings/SettingsFileReader.h"

#include <QFile>
#include <QString>

#include <cstdint>

#include "settings/SettingsFormat.h"

namespace {

// A cursor over the file that never reads past its end: every length is compared with what
// remains before the bytes it announces are taken.
class CRecordCursor {
public:
    explicit CRecordCursor(std::string_view bytes) : m_rest(bytes) {}

    bool AtEnd() const { return m_rest.empty(); }

    bool U32(std::uint32_t& value)
    {
        if (m_rest.size() < 4)
            return false;
        value = 0;
        for (int i = 3; i >= 0; --i)
            value = (value << 8) | static_cast<unsigned char>(m_rest[static_cast<std::size_t>(i)]);
        m_rest.remove_prefix(4);
        return true;
    }

    bool Counted(std::string_view& bytes)
    {
        std::uint32_t length = 0;
        if (!U32(length) || length > m_rest.size())
            return false;
        bytes = m_rest.substr(0, length);
        m_rest.remove_prefix(length);
        return true;
    }

private:
    std::string_view m_rest;
};

bool HeaderMatches(std::string_view bytes)
{
    const std::string_view header = SettingsFormat::kHeader;
    if (bytes.size() < header.size())
        return false;
    for (std::size_t i = 0; i < header.size(); ++i) {
        char c = bytes[i];
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
        char h = header[i];
        if (h >= 'a' && h <= 'z')
            h = static_cast<char>(h - 'a' + 'A');
        if (c != h)
            return false;
    }
    return true;
}

} // namespace

bool CSettingsFileReader::Parse(std::string_view bytes, std::vector<CSettingsStore::Section>& tree)
{
    tree.clear();
    if (!HeaderMatches(bytes))
        return false;
    CRecordCursor cursor(bytes.substr(SettingsFormat::kHeader.size()));
    std::vector<CSettingsStore::Section> parsed;
    while (!cursor.AtEnd()) {
        std::uint32_t type = 0;
        if (!cursor.U32(type))
            return false;
        if (type == SettingsFormat::kKeyRecord) {
            std::string_view path;
            if (!cursor.Counted(path))
                return false;
            if (!path.empty() && path.front() == '\\')
                path.remove_prefix(1);
            parsed.push_back({std::string(path), {}});
            continue;
        }
        if (type != SettingsFormat::kStringRecord && type != SettingsFormat::kNumberRecord)
            return false;
        std::string_view name;
        std::string_view data;
        if (!cursor.Counted(name) || !cursor.Counted(data))
            return false;
        // A value belongs to the key before it; a file must start with a key.
        if (parsed.empty())
            return false;
        CSettingsStore::Value value;
        value.name = std::string(name);
        if (type == SettingsFormat::kNumberRecord) {
            if (data.size() != 4)
                return false;
            std::uint32_t number = 0;
            for (int i = 3; i >= 0; --i)
                number =
                    (number << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
            value.isNumber = true;
            value.number = static_cast<std::int32_t>(number);
        } else {
            value.text = std::string(data.substr(0, data.find('\0')));
        }
        parsed.back().values.push_back(std::move(value));
    }
    // The program's key always exists; only values of its own make it a section here.
    std::erase_if(parsed, [](const CSettingsStore::Section& section) {
        return section.name.empty() && section.values.empty();
    });
    tree = std::move(parsed);
    return true;
}

CSettingsFileReader::Result
CSettingsFileReader::ReadFile(const std::string& path, std::vector<CSettingsStore::Section>& tree)
{
    tree.clear();
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly))
        return Result::OpenFailed;
    // Mapping avoids copying whatever the user chose, however large; a file that cannot be
    // mapped (empty, or not a plain file) is read instead.
    const qint64 size = file.size();
    bool valid = false;
    if (uchar* mapped = size > 0 ? file.map(0, size) : nullptr) {
        valid = Parse(
            std::string_view(reinterpret_cast<const char*>(mapped), static_cast<std::size_t>(size)),
            tree);
        file.unmap(mapped);
    } else {
        const QByteArray bytes = file.readAll();
        valid = Parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                      tree);
    }
    return valid ? Result::Read : Result::Invalid;
}
