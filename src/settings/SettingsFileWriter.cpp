#include "settings/SettingsFileWriter.h"

#include <QSaveFile>
#include <QString>

#include <cstdint>
#include <string_view>

#include "settings/SettingsFormat.h"
#include "settings/SettingsStore.h"

namespace {

void AppendU32(std::string& out, std::uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void AppendCounted(std::string& out, std::string_view bytes)
{
    AppendU32(out, static_cast<std::uint32_t>(bytes.size()));
    out.append(bytes);
}

void AppendKey(std::string& out, std::string_view path)
{
    AppendU32(out, SettingsFormat::kKeyRecord);
    AppendCounted(out, path);
}

void AppendValues(std::string& out, const std::vector<CSettingsStore::Value>& values)
{
    for (const CSettingsStore::Value& value : values) {
        if (value.isNumber) {
            AppendU32(out, SettingsFormat::kNumberRecord);
            AppendCounted(out, value.name);
            AppendU32(out, 4);
            AppendU32(out, static_cast<std::uint32_t>(value.number));
        } else {
            AppendU32(out, SettingsFormat::kStringRecord);
            AppendCounted(out, value.name);
            // A string ends at its first zero byte, as a reader of the file expects.
            const std::string_view text(value.text);
            AppendCounted(out, text.substr(0, text.find('\0')));
        }
    }
}

} // namespace

std::string CSettingsFileWriter::Serialize(CSettingsStore& store)
{
    std::string out(SettingsFormat::kHeader);
    bool hasRootValues = false;
    for (const std::string& section : store.Sections()) {
        if (section.empty()) {
            hasRootValues = true;
            continue;
        }
        AppendKey(out, "\\" + section);
        AppendValues(out, store.Values(section));
    }
    AppendKey(out, std::string_view());
    if (hasRootValues)
        AppendValues(out, store.Values(std::string_view()));
    return out;
}

CSettingsFileWriter::Result CSettingsFileWriter::WriteFile(CSettingsStore& store,
                                                           const std::string& path)
{
    QSaveFile file(QString::fromStdString(path));
    // Unbuffered, so that a failing write is seen by the save file itself: a buffered one
    // only fails while closing, after which the save file would still put it in place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return Result::OpenFailed;
    const std::string bytes = Serialize(store);
    if (file.write(bytes.data(), static_cast<qint64>(bytes.size())) !=
            static_cast<qint64>(bytes.size()) ||
        !file.commit())
        return Result::WriteFailed;
    return Result::Written;
}
