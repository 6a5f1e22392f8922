// The demo's design mode (kv_demo --design [FORM_FILE]).
#pragma once

namespace demo {

int RunDesignMode(int argc, char** argv);

} // namespace demo
