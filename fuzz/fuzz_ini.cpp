// Ini files and the value bag that reads them: any file reads; what it holds is written back
// and reads again to the same sections, keys and values, and writing that again gives the same
// file.
#include "FuzzSupport.h"

#include "model/KvGrids.Common.h"
#include "platform/rtl/IniFiles.h"

#include <QtCore/QDir>
#include <QtCore/QFile>
#include <unistd.h>

using namespace kv;
using namespace kvfuzz;

namespace {

struct TSectionContent
{
    QString Name;
    QStringList Keys;
    QStringList Values;
    bool operator==(const TSectionContent&) const = default;
};

std::vector<TSectionContent> Content(const TIniFile& ini)
{
    std::vector<TSectionContent> content;
    for (const QString& section : ini.ReadSections()) {
        TSectionContent s{section, ini.ReadSection(section), {}};
        for (const QString& key : s.Keys) {
            s.Values << ini.ReadString(section, key);
            (void)ini.ReadInteger(section, key, -1);
            (void)ini.ReadBool(section, key, false);
            Check(ini.ValueExists(section, key), "a listed key does not exist", section + QLatin1Char('/') + key);
        }
        content.push_back(std::move(s));
    }
    return content;
}

QString Describe(const std::vector<TSectionContent>& content)
{
    QString text;
    for (const TSectionContent& s : content)
        text += QLatin1Char('[') + s.Name + QStringLiteral("] ") + s.Keys.join(QLatin1Char('|')) + QStringLiteral(" = ") +
                s.Values.join(QLatin1Char('|')) + QLatin1Char('\n');
    return text;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // In memory when the system has a RAM disk: the file is written twice per input.
    static const QString dir = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm") : QDir::tempPath();
    static const QString path = QDir(dir).filePath(QStringLiteral("kv_fuzz_ini_%1.ini").arg(getpid()));
    {
        QFile file(path);
        Check(file.open(QIODevice::WriteOnly | QIODevice::Truncate), "cannot write the input file", path);
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    std::vector<TSectionContent> first;
    {
        TIniFile ini(path);
        first = Content(ini);
        if (!first.empty()) {
            // The value bag reads the first section's keys as strings.
            std::unique_ptr<TKvDataObject> bag;
            if (Refusable([&] { bag.reset(TKvDataObject::CreateFromInifile(path, first.front().Name)); }))
                for (const QString& key : first.front().Keys)
                    Check(bag->GetString(key) == ini.ReadString(first.front().Name, key), "value bag", key);
        }
        QString error;
        Check(Refusable([&] { ini.UpdateFile(); }, &error), "an ini file that reads does not write", error);
    }
    const QByteArray written = FileBytes(path);
    TIniFile again(path);
    const std::vector<TSectionContent> second = Content(again);
    Check(second == first, "ini content changes when written and read",
          Describe(first) + QStringLiteral("--- becomes ---\n") + Describe(second));
    again.UpdateFile();
    Check(FileBytes(path) == written, "writing an ini file again changes it", QString::fromUtf8(written));
    return 0;
}
