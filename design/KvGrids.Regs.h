// Registration of the library with the form designer: classes for form files, palette
// components, component editors and property editors.
#pragma once

namespace kv {

// Called once by the designer after loading the library.
void Register();

} // namespace kv
