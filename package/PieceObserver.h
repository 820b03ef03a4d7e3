// Told of each piece read while the patch step checks the installer's data
// or a game file, or writes a payload, so that a long step shows how far it
// has got and keeps the window answering.
#pragma once

#include <cstddef>

namespace brisel {

class PieceObserver {
public:
    // bytes: those of the piece just read.
    virtual void PieceRead(std::size_t bytes) = 0;

protected:
    ~PieceObserver() = default;
};

} // namespace brisel
