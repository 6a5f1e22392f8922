#include "design/KvGrids.Regs.h"

#include "components/KvGrids.Converter.Excel.h"
#include "components/KvGrids.Data.BDE.h"
#include "components/KvGrids.Data.Tidemar.h"
#include "components/KvGrids.ListView.h"
#include "components/KvGrids.Vantrel.h"
#include "design/KvGrids.Data.BDE.FieldDlg.h"
#include "design/KvGrids.Data.Vantrel.FieldDlg.h"
#include "design/KvGrids.Design.h"
#include "graphics/KvGrids.Styles.Dynamic.h"
#include "graphics/KvGrids.Styles.h"
#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Editors.h"
#include "grid/KvGrids.Internals.h"
#include "grid/KvGrids.Loaders.h"
#include "grid/KvGrids.Renderers.h"
#include "model/KvGrids.Common.Types.h"
#include "model/KvGrids.Data.Files.h"
#include "model/KvGrids.Data.Vantrel.h"
#include "model/KvGrids.Model.h"

#include <QtCore/QtGlobal>

// The resource object of a static library is linked only when something names it.
static void InitDesignResources() { Q_INIT_RESOURCE(kvdesign); }

namespace kv {

void Register()
{
    using namespace DesignIntf;
    static const bool resources = (InitDesignResources(), true);
    (void)resources;
    RegisterClasses({&ClassInfo<TKvGridTypeConsumer>(), &ClassInfo<TKvGridItemConsumer>(),
                     &ClassInfo<TKvGridDataColumn>(), &ClassInfo<TKvGridColumnGroup>(),
                     &ClassInfo<TKvProxyCellRenderer>(), &ClassInfo<TKvBarCellRenderer>(),
                     &ClassInfo<TKvCheckCellRenderer>(), &ClassInfo<TKvImageCellRenderer>(),
                     &ClassInfo<TKvInternalBarCellRenderer>(), &ClassInfo<TKvInternalCheckCellRenderer>(),
                     &ClassInfo<TKvInternalImageCellRenderer>(), &ClassInfo<TKvProxyCellEditor>(),
                     &ClassInfo<TKvLineCellEditor>(), &ClassInfo<TKvLookupCellEditor>(),
                     &ClassInfo<TKvNumberCellEditor>(), &ClassInfo<TKvListCellEditor>(),
                     &ClassInfo<TKvDateTimeCellEditor>(), &ClassInfo<TKvMultiLineCellEditor>(),
                     &ClassInfo<TKvInternalLineCellEditor>(), &ClassInfo<TKvInternalLookupCellEditor>(),
                     &ClassInfo<TKvInternalNumberCellEditor>(), &ClassInfo<TKvInternalDateTimeCellEditor>(),
                     &ClassInfo<TKvInternalMultiLineCellEditor>()});

    RegisterNoIcon({&ClassInfo<TKvGridItemConsumer>(), &ClassInfo<TKvProxyCellRenderer>(),
                    &ClassInfo<TKvInternalBarCellRenderer>(), &ClassInfo<TKvInternalCheckCellRenderer>(),
                    &ClassInfo<TKvInternalImageCellRenderer>(), &ClassInfo<TKvProxyCellEditor>(),
                    &ClassInfo<TKvInternalLineCellEditor>(), &ClassInfo<TKvInternalLookupCellEditor>(),
                    &ClassInfo<TKvInternalNumberCellEditor>(), &ClassInfo<TKvInternalListCellEditor>(),
                    &ClassInfo<TKvInternalDateTimeCellEditor>(), &ClassInfo<TKvInternalMultiLineCellEditor>(),
                    &ClassInfo<TKvGridColumn>()});

    RegisterComponents(QStringLiteral("Quenmark"),
                       {&ClassInfo<TKvVantrel>(), &ClassInfo<TKvListView>(), &ClassInfo<TKvCsvDataProvider>(),
                        &ClassInfo<TKvVantrelDataProvider>(), &ClassInfo<TKvBDEDataProvider>(),
                        &ClassInfo<TKvTidemarDataProvider>(), &ClassInfo<TKvGridStyleObject>(),
                        &ClassInfo<TKvGridStyleSheet>(), &ClassInfo<TKvGridExcelConverter>(),
                        &ClassInfo<TKvSimpleImageLoader>()});

    RegisterComponentEditor(ClassInfo<TKvGridView>(), ComponentEditorClass<TKvGridViewEditor>());
    RegisterComponentEditor(ClassInfo<TKvCsvDataProvider>(), ComponentEditorClass<TKvCsvDataProviderEditor>());
    RegisterComponentEditor(ClassInfo<TKvVantrelDataProvider>(), ComponentEditorClass<TKvVantrelDataProviderEditor>());
    RegisterComponentEditor(ClassInfo<TKvBDEDataProvider>(), ComponentEditorClass<TKvBDEDataProviderEditor>());
    // The dialogs that name a field which those editors' collection editor adds.
    TKvVantrelDataField::SetFieldDialog(&TKvVantrelDataFieldDlg::Execute);
    TKvBDEDataField::SetFieldDialog(&TKvBDEDataFieldDlg::Execute);

    RegisterPropertyEditor(&ClassInfo<TKvGridCellRenderer>(), &ClassInfo<TKvGridColumn>(), QString(),
                           PropertyEditorClass<TKvRendererPropertyEditor>());
    RegisterPropertyEditor(&ClassInfo<TKvGridCellEditor>(), &ClassInfo<TKvGridColumn>(), QString(),
                           PropertyEditorClass<TKvEditorPropertyEditor>());
    RegisterPropertyEditor(&ClassInfo<TKvGridViewColumns>(), &ClassInfo<TKvGridView>(), QString(),
                           PropertyEditorClass<TKvColumnsPropertyEditor>());
    RegisterPropertyEditor(&ClassInfo<TKvGridViewStyles>(), nullptr, QString(),
                           PropertyEditorClass<TKvStylesPropertyEditor>());
    RegisterPropertyEditor(&ClassInfo<TKvGridStyleBag>(), nullptr, QString(),
                           PropertyEditorClass<TKvStyleBagPropertyEditor>());
    RegisterPropertyEditor(&ClassInfo<TKvGridRowGroupLevels>(), nullptr, QString(),
                           PropertyEditorClass<TKvRowGroupLevelsPropertyEditor>());
    RegisterPropertyEditor(&ClassInfo<TKvGridDynamicStyleCollection>(), &ClassInfo<TKvGridBody>(), QString(),
                           PropertyEditorClass<TKvDynamicStyleCollectionPropertyEditor>());
    // Dates are shown and typed as dates, not as day counts.
    for (const char* name : {"MinDate", "MaxDate"})
        RegisterPropertyEditor(nullptr, &ClassInfo<TKvDateTimeCellEditor>(), QString::fromLatin1(name),
                               PropertyEditorClass<TKvDatePropertyEditor>());
}

} // namespace kv
