#pragma once
// Handle numbers for the device backends. Each successful open gets a new
// non-zero number, so a handle kept past its Close (or one from an earlier
// open) is told apart from the open device's and answered "Invalid Handle".

#include "platform/FtdiDevice.h"

namespace platform {

class DeviceHandle {
public:
    // Starts a new open: returns its handle, never 0.
    FT_HANDLE Issue() {
        ++last_;
        if (last_ == 0) {
            ++last_;
        }
        current_ = last_;
        return current_;
    }
    void Release() { current_ = 0; }
    bool IsOpen() const { return current_ != 0; }
    // True when `handle` is the handle of the device that is open now.
    bool Matches(FT_HANDLE handle) const { return current_ != 0 && handle == current_; }

private:
    FT_HANDLE last_ = 0;
    FT_HANDLE current_ = 0;
};

} // namespace platform
