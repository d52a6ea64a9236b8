#pragma once
// The host's answer to GetRights for one operation: price fields (A), download and
// delete of drawings (B), upload and the picture's show button (C).

namespace zeva {

struct OperationRights {
    bool RightA = false;
    bool RightB = false;
    bool RightC = false;
};

} // namespace zeva
