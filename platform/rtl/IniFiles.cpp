#include "platform/rtl/IniFiles.h"
#include "platform/rtl/SysUtils.h"

#include <QtCore/QFile>
#include <QtCore/QSaveFile>
#include <QtCore/QTextStream>

namespace kv {

TIniFile::TIniFile(const QString& fileName) : FFileName(fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&file);
    in.setEncoding(QStringConverter::Utf8);
    Section* current = nullptr;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char(';')) || line.startsWith(QLatin1Char('#')))
            continue;
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            current = &FindOrAdd(line.mid(1, line.size() - 2).trimmed());
            continue;
        }
        if (!current)
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0)
            current->Entries.push_back({line, QString()});
        else
            current->Entries.push_back({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
}

const TIniFile::Section* TIniFile::Find(const QString& section) const
{
    for (const Section& s : FSections)
        if (s.Name.compare(section, Qt::CaseInsensitive) == 0)
            return &s;
    return nullptr;
}

TIniFile::Section& TIniFile::FindOrAdd(const QString& section)
{
    if (const Section* s = Find(section))
        return const_cast<Section&>(*s);
    FSections.push_back({section, {}});
    return FSections.back();
}

QStringList TIniFile::ReadSections() const
{
    QStringList out;
    for (const Section& s : FSections)
        out.append(s.Name);
    return out;
}

QStringList TIniFile::ReadSection(const QString& section) const
{
    QStringList out;
    if (const Section* s = Find(section))
        for (const Entry& e : s->Entries)
            out.append(e.Name);
    return out;
}

bool TIniFile::SectionExists(const QString& section) const { return Find(section) != nullptr; }

bool TIniFile::ValueExists(const QString& section, const QString& name) const
{
    return ReadSection(section).contains(name, Qt::CaseInsensitive);
}

QString TIniFile::ReadString(const QString& section, const QString& name, const QString& def) const
{
    if (const Section* s = Find(section))
        for (const Entry& e : s->Entries)
            if (e.Name.compare(name, Qt::CaseInsensitive) == 0)
                return e.Value;
    return def;
}

int TIniFile::ReadInteger(const QString& section, const QString& name, int def) const
{
    bool ok = false;
    const QString text = ReadString(section, name);
    const int v = text.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) ? text.mid(2).toInt(&ok, 16)
                                                                               : text.toInt(&ok);
    return ok ? v : def;
}

bool TIniFile::ReadBool(const QString& section, const QString& name, bool def) const
{
    return ReadInteger(section, name, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QString& section, const QString& name, const QString& value)
{
    Section& s = FindOrAdd(section);
    for (Entry& e : s.Entries)
        if (e.Name.compare(name, Qt::CaseInsensitive) == 0) {
            e.Value = value;
            return;
        }
    s.Entries.push_back({name, value});
}

void TIniFile::EraseSection(const QString& section)
{
    FSections.erase(std::remove_if(FSections.begin(), FSections.end(),
                                   [&](const Section& s) { return s.Name.compare(section, Qt::CaseInsensitive) == 0; }),
                    FSections.end());
}

void TIniFile::DeleteKey(const QString& section, const QString& name)
{
    if (const Section* cs = Find(section)) {
        auto& entries = const_cast<Section*>(cs)->Entries;
        entries.erase(std::remove_if(entries.begin(), entries.end(),
                                     [&](const Entry& e) { return e.Name.compare(name, Qt::CaseInsensitive) == 0; }),
                      entries.end());
    }
}

void TIniFile::UpdateFile() const
{
    QSaveFile file(FFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        throw EIniFileException(QStringLiteral("Unable to write to %1").arg(FFileName));
    QTextStream out(&file);
    out.setEncoding(QStringConverter::Utf8);
    for (const Section& s : FSections) {
        out << '[' << s.Name << "]\n";
        for (const Entry& e : s.Entries)
            out << e.Name << '=' << e.Value << '\n';
        out << '\n';
    }
    out.flush();
    if (!file.commit())
        throw EIniFileException(QStringLiteral("Unable to write to %1").arg(FFileName));
}

} // namespace kv
