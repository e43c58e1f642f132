// Releasing a Direct3D object at most once: the handle is emptied as it is released, so a
// later release pass (device recovery, then exit) skips it.
#pragma once

template <typename Handle>
void ReleaseIfPresent(Handle*& handle)
{
    if (handle != nullptr) {
        handle->Release();
        handle = nullptr;
    }
}
