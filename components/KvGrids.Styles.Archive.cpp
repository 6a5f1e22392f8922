#include "components/KvGrids.Styles.Archive.h"

#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.View.h"
#include "graphics/KvGrids.Styles.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextEncoding.h"

#include <QtCore/QFile>
#include <nlohmann/json.hpp>
#include <QtCore/QSaveFile>
#include <QtCore/QStringDecoder>
#include <utility>
#include <vector>

namespace kv {

using json = nlohmann::json;

// ---- files -------------------------------------------------------------------------------

QString TKvGridViewStylesArchive::LoadFromFile(const QString& Path)
{
    QFile file(Path);
    if (!file.open(QIODevice::ReadOnly))
        throw EInOutError(QStringLiteral("Cannot open file %1: %2").arg(Path, file.errorString()));
    const QByteArray bytes = file.readAll();
    const qsizetype bad = TEncoding::FindInvalidUtf8(bytes);
    if (bad >= 0)
        throw EConvertError(QStringLiteral("File %1 is not UTF-8 text: invalid byte at offset %2").arg(Path).arg(bad));
    // The mark stays in the text, as U+FEFF.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringConverter::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

void TKvGridViewStylesArchive::SaveToFile(const QString& Path, const QString& Text)
{
    QSaveFile file(Path);
    const QByteArray bytes = Text.toUtf8();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EInOutError(QStringLiteral("Cannot write file %1: %2").arg(Path, file.errorString()));
}

// ---- sections ----------------------------------------------------------------------------

namespace {

// One style set of the archive: a member of the root, or of the root's member Parent.
struct TSection
{
    const char* Parent;
    const char* Name;
    TKvGridStyleBag* Styles;

    QString Path() const
    {
        return Parent ? QStringLiteral("%1.%2").arg(QLatin1String(Parent), QLatin1String(Name)) : QLatin1String(Name);
    }
};

std::vector<TSection> Sections(TKvGridView* grid)
{
    return {{nullptr, "grid", grid->GetStyles()},
            {nullptr, "panel", grid->GetPanel()->GetStyles()},
            {nullptr, "body", grid->GetBody()->GetStyles()},
            {nullptr, "empty", grid->GetBody()->GetEmptyStyles()},
            {nullptr, "header", grid->GetHeader()->GetStyles()},
            {"header", "group", grid->GetHeader()->GetGroupStyles()},
            {nullptr, "footer", grid->GetFooter()->GetStyles()},
            {"rowGroup", "header", grid->GetRowGroup()->GetHeaderStyles()},
            {"rowGroup", "footer", grid->GetRowGroup()->GetFooterStyles()},
            {nullptr, "indicator", grid->GetIndicator()->GetStyles()},
            {nullptr, "checkBar", grid->GetCheckBar()->GetStyles()},
            {nullptr, "statesBar", grid->GetStatesBar()->GetStyles()}};
}

std::string Utf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

QString FromUtf8(const std::string& text) { return QString::fromUtf8(text.data(), qsizetype(text.size())); }

// The style values an object holds, by property name: strings as they are, numbers and
// Booleans as their JSON text; anything else raises naming the section and member.
std::vector<std::pair<QString, QString>> MemberTexts(const json& object, const QString& section)
{
    std::vector<std::pair<QString, QString>> values;
    for (const QString& name : TKvGridStylesAgent::GetNames()) {
        const auto found = object.find(Utf8(name));
        if (found == object.end())
            continue;
        if (found->is_string())
            values.emplace_back(name, FromUtf8(found->get<std::string>()));
        else if (found->is_number() || found->is_boolean())
            values.emplace_back(name, FromUtf8(found->dump()));
        else
            throw EConvertError(QStringLiteral("Style archive member \"%1\" of section \"%2\" is not a string, a number or a Boolean")
                                    .arg(name, section));
    }
    return values;
}

// The line and column (1-based, in characters) of a byte offset into UTF-8 text.
std::pair<int, int> LineColumn(const QByteArray& text, qsizetype offset)
{
    int line = 1, column = 1;
    for (qsizetype i = 0; i < offset && i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\n') {
            ++line;
            column = 1;
        } else if ((c & 0xC0) != 0x80) {
            ++column;
        }
    }
    return {line, column};
}

json ParseArchive(const QString& text)
{
    QString body = text;
    if (body.startsWith(QChar(0xFEFF)))
        body.remove(0, 1);
    const QByteArray bytes = body.toUtf8();
    try {
        json root = json::parse(bytes.constData(), bytes.constData() + bytes.size());
        if (!root.is_object())
            throw EConvertError(QStringLiteral("Style archive text is not a JSON object"));
        return root;
    } catch (const json::parse_error& e) {
        // The library counts the byte it stopped at from 1.
        const auto [line, column] = LineColumn(bytes, qsizetype(e.byte > 0 ? e.byte - 1 : 0));
        QString reason = QString::fromUtf8(e.what());
        const qsizetype at = reason.indexOf(QLatin1String(": "), reason.indexOf(QLatin1String("parse error")));
        if (at >= 0)
            reason = reason.mid(at + 2);
        throw EConvertError(
            QStringLiteral("Style archive text does not parse at line %1, column %2: %3").arg(line).arg(column).arg(reason));
    }
}

} // namespace

// ---- saving and loading --------------------------------------------------------------------

void TKvGridStylesJsonArchive::WriteStyles(TKvGridStylesAgent& Agent, json& Object)
{
    if (!Object.is_object())
        return;
    for (const QString& name : TKvGridStylesAgent::GetNames())
        if (Agent.HasValue(name))
            Object[Utf8(name)] = Utf8(Agent.GetValue(name));
}

void TKvGridStylesJsonArchive::ReadStyles(const json& Object, TKvGridStylesAgent& Agent)
{
    if (!Object.is_object())
        return;
    for (const auto& [name, text] : MemberTexts(Object, QString()))
        Agent.SetValue(name, text);
}

QString TKvGridStylesJsonArchive::SaveGrid(TKvGridView* Grid)
{
    TKvGridStylesAgent agent(nullptr);
    json root = json::object();
    for (const TSection& section : Sections(Grid)) {
        json object = json::object();
        agent.SetStyles(section.Styles);
        WriteStyles(agent, object);
        if (section.Parent) {
            json& parent = root[section.Parent];
            if (parent.is_null())
                parent = json::object();
            parent[section.Name] = std::move(object);
        } else {
            json& own = root[section.Name];
            if (own.is_null())
                own = json::object();
            own.update(object);
        }
    }
    return QString::fromLatin1(root.dump(2, ' ', true));
}

void TKvGridStylesJsonArchive::LoadGrid(const QString& Text, TKvGridView* Grid)
{
    const json root = ParseArchive(Text);
    struct TLoad
    {
        TKvGridStyleBag* Styles;
        std::vector<std::pair<QString, QString>> Values;
    };
    std::vector<TLoad> loads;
    // Read and check everything first.
    for (const TSection& section : Sections(Grid)) {
        const json* holder = &root;
        if (section.Parent) {
            const auto parent = root.find(section.Parent);
            if (parent == root.end())
                continue;
            if (!parent->is_object())
                throw EConvertError(
                    QStringLiteral("Style archive section \"%1\" is not an object").arg(QLatin1String(section.Parent)));
            holder = &*parent;
        }
        const auto found = holder->find(section.Name);
        if (found == holder->end())
            continue;
        if (!found->is_object())
            throw EConvertError(QStringLiteral("Style archive section \"%1\" is not an object").arg(section.Path()));
        TLoad load{section.Styles, MemberTexts(*found, section.Path())};
        TKvGridStyleBag scratch(nullptr, QStringLiteral("scratch"));
        for (const auto& [name, text] : load.Values) {
            try {
                scratch.SetValue(name, text);
            } catch (const Exception& e) {
                throw EConvertError(QStringLiteral("Style archive value \"%1\" of member \"%2\" in section \"%3\" is refused: %4")
                                        .arg(text, name, section.Path(), e.Message()));
            }
        }
        loads.push_back(std::move(load));
    }
    // Then apply, one notification per style set.
    TKvGridStylesAgent agent(nullptr);
    for (const TLoad& load : loads) {
        agent.SetStyles(load.Styles);
        load.Styles->BeginUpdate();
        for (const auto& [name, text] : load.Values)
            agent.SetValue(name, text);
        load.Styles->EndUpdate();
    }
}

void TKvGridStylesJsonArchive::LoadGridFromFile(const QString& Path, TKvGridView* Grid)
{
    LoadGrid(LoadFromFile(Path), Grid);
}

void TKvGridStylesJsonArchive::SaveGridToFile(TKvGridView* Grid, const QString& Path)
{
    SaveToFile(Path, SaveGrid(Grid));
}

} // namespace kv
