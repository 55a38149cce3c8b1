// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/MixerBackend.h"

#include "sound/MixerBackendDummy.h"
#include "sound/MixerBackendSdl.h"

std::unique_ptr<MixerBackend> MixerBackend::Create()
{
    if (std::unique_ptr<MixerBackendSdl> sdl = MixerBackendSdl::Open())
        return sdl;
    return std::make_unique<MixerBackendDummy>();
}

std::future<std::unique_ptr<MixerBackend>> MixerBackend::CreateAsync()
{
    return std::async(std::launch::async, &MixerBackend::Create);
}
