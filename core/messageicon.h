#pragma once

namespace headwise {

// The icon of a message box; layers without widgets name it too.
enum class MessageIcon { None, Information };

} // namespace headwise
