// Compiled with the include rules of one layer and linked with that layer's libraries only. Each
// probe calls into a library the layer does not link, so the build must refuse to link it.
#if defined(KV_PROBE_UI)
#include "platform/ui/MessageBox.h"
static void Probe() { kv::ShowException(QStringLiteral("probe")); }
#elif defined(KV_PROBE_DATA)
#include "platform/data/DataSet.h"
static void Probe() { kv::TSQLiteDatabase(nullptr).Close(); }
#elif defined(KV_PROBE_NET)
#include "platform/net/HttpRequest.h"
static void Probe() { kv::THttpRequest().Send(QByteArray()); }
#elif defined(KV_PROBE_DESIGN_DIALOGS)
#include "platform/design/DesignForms.h"
static void Probe() { (void)kv::TDesignWindow::ActiveModal(); }
#elif defined(KV_PROBE_DESIGNER)
#include "design/KvGrids.Regs.h"
static void Probe() { kv::Register(); }
#endif

int main()
{
    Probe();
    return 0;
}
