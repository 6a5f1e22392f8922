// Ini files: "[Section]" headers and "Name=Value" lines, read whole into memory.
#pragma once

#include <QtCore/QString>
#include <QtCore/QStringList>
#include <vector>

namespace kv {

class TIniFile
{
public:
    // Reads the file when it exists (UTF-8); a missing file starts empty.
    explicit TIniFile(const QString& fileName);

    const QString& FileName() const { return FFileName; }
    QStringList ReadSections() const;
    // Key names of a section in file order.
    QStringList ReadSection(const QString& section) const;
    bool SectionExists(const QString& section) const;
    bool ValueExists(const QString& section, const QString& name) const;
    QString ReadString(const QString& section, const QString& name, const QString& def = QString()) const;
    int ReadInteger(const QString& section, const QString& name, int def = 0) const;
    bool ReadBool(const QString& section, const QString& name, bool def = false) const;
    void WriteString(const QString& section, const QString& name, const QString& value);
    void EraseSection(const QString& section);
    void DeleteKey(const QString& section, const QString& name);
    // Writes the file back; raises EIniFileException when it cannot be written.
    void UpdateFile() const;

private:
    struct Entry
    {
        QString Name;
        QString Value;
    };
    struct Section
    {
        QString Name;
        std::vector<Entry> Entries;
    };
    const Section* Find(const QString& section) const;
    Section& FindOrAdd(const QString& section);

    QString FFileName;
    std::vector<Section> FSections;
};

} // namespace kv
