#include "ComponentTestSupport.h"

#include "platform/rtl/ClassRegistry.h"

namespace kvtest {

KV_PUBLISH(TComponentsTestForm, kv::TComponent);

void RegisterComponentsTestForm()
{
    static const bool registered = (kv::RegisterClasses<TComponentsTestForm>(), true);
    (void)registered;
}

} // namespace kvtest
