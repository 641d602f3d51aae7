// Which of a found file's two sizes Retrieve copies: the window's Option1
// and Option2, and the headless front end's --size.
#pragma once

namespace kvx {

enum class SizeChoice { kByHeader = 0, kByFat = 1 };

}  // namespace kvx
