// The texts an English program gives its grids in place of the library's own: the grouping
// panel's prompt, the question before rows are deleted and the empty body's message.
#pragma once

#include "grid/KvGrids.h"

inline void SetExampleTexts(kv::TKvGridView* grid)
{
    grid->GetGroupingOptions()->SetPrompt(QStringLiteral("Drag a column header here to group by that column"));
    grid->GetEditOptions()->SetDeleteRowsMessage(QStringLiteral("Delete the selected rows?"));
    grid->GetBody()->SetEmptyMessage(QStringLiteral("No data to show"));
}
