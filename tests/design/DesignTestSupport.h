// Shared set-up of the design-time tests: a form in a headless designer with the library's
// editors registered.
#pragma once

#include "design/KvGrids.Design.h"
#include "grid/KvGrids.Areas.h"
#include "grid/KvGrids.Columns.h"
#include "grid/KvGrids.Renderers.h"
#include "grid/KvGrids.View.h"
#include "graphics/KvGrids.Styles.h"
#include "platform/design/DesignHost.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <memory>

namespace kvtest {

inline QStringList ValuesOf(const kv::IntfPtr<kv::IProperty>& prop)
{
    QStringList values;
    prop->GetValues([&values](const QString& v) { values << v; });
    return values;
}

struct DesignEditorsTest : ::testing::Test
{
    kv::TOwned<kv::TDesignForm> Form{kv::Create<kv::TDesignForm>(nullptr)};
    kv::TKvGridView* Grid = nullptr;
    std::unique_ptr<kv::TDesignHost> Host;

    void SetUp() override
    {
        RegisterEditors();
        Form->SetName("Form1");
        Grid = kv::Create<kv::TKvGridView>(Form.get());
        Grid->SetName("Grid1");
        Host = std::make_unique<kv::TDesignHost>(Form.get());
    }
    void TearDown() override
    {
        Host.reset();
        kv::UnregisterDesignPackage();
    }

    static void RegisterEditors();
};

} // namespace kvtest
