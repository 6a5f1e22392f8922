// The style archive: every area style set of a grid view saved as one JSON text (a ".vts"
// file) and loaded back. Values travel as the style value texts of the style property table.
//
// Call flow: SaveGrid walks the ten sections, points one styles agent at each section's style
// set and writes its set values into a JSON object; LoadGrid parses the text, reads every
// section, checks every value on a scratch style set and only then applies them, so that a
// text or a value that fails changes nothing. LoadStyles and SaveStyles do the same for one
// style set.
#pragma once

#include <QtCore/QString>
#include <nlohmann/json_fwd.hpp>

namespace kv {

class TKvGridView;
class TKvGridViewStyles;
class TKvGridStylesAgent;

class TKvGridViewStylesArchive
{
public:
    virtual ~TKvGridViewStylesArchive() = default;

    virtual void LoadStyles(const QString& Text, TKvGridViewStyles* Styles) = 0;
    virtual QString SaveStyles(TKvGridViewStyles* Styles) = 0;
    virtual void LoadGrid(const QString& Text, TKvGridView* Grid) = 0;
    virtual QString SaveGrid(TKvGridView* Grid) = 0;

    // The file's bytes as UTF-8 (a byte-order mark stays in the text). A file that cannot be
    // read raises EInOutError, one that is not UTF-8 EConvertError.
    static QString LoadFromFile(const QString& Path);
    // The text's UTF-8 bytes without a byte-order mark; the file is replaced as a whole, so a
    // failed write (EInOutError) leaves the old file as it was.
    static void SaveToFile(const QString& Path, const QString& Text);
};

class TKvGridStylesJsonArchive : public TKvGridViewStylesArchive
{
public:
    // One style set as one object of its values, read and written as a section is. Loading
    // fails as LoadGrid does, and then changes nothing.
    void LoadStyles(const QString& Text, TKvGridViewStyles* Styles) override;
    QString SaveStyles(TKvGridViewStyles* Styles) override;
    // Raises EConvertError for a text that does not parse (naming line and column), a
    // section that is not an object, a member that is null, an object or an array, and a
    // value that its style property refuses (an integer style takes only integers); the grid
    // then stays as it was. Missing sections and members leave their values as they are.
    void LoadGrid(const QString& Text, TKvGridView* Grid) override;
    // Indented, every non-ASCII character as a "\u" escape.
    QString SaveGrid(TKvGridView* Grid) override;

    void LoadGridFromFile(const QString& Path, TKvGridView* Grid);
    void SaveGridToFile(TKvGridView* Grid, const QString& Path);

    // Every set value of the agent's style set as a string member.
    void WriteStyles(TKvGridStylesAgent& Agent, nlohmann::json& Object);
    // Every member named like a style property into the agent's style set: all of them, or
    // none when one is refused.
    void ReadStyles(const nlohmann::json& Object, TKvGridStylesAgent& Agent);
};

} // namespace kv
