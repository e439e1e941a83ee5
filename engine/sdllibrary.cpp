#include "engine/sdllibrary.h"

#include <QLoggingCategory>
#include <dlfcn.h>

namespace engine
{

namespace
{

const SdlLibrary *load()
{
    void *handle = dlopen("libSDL2_mixer-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        qWarning("no sound: %s", dlerror());
        return nullptr;
    }
    static SdlLibrary library;
    bool complete = true;
    // Symbols are looked up in the mixer library and the SDL library it depends on.
#define OSTREVAN_SDL_RESOLVE(name)                                                                 \
    library.name = reinterpret_cast<decltype(library.name)>(dlsym(handle, #name));                 \
    complete = complete && library.name;
    OSTREVAN_SDL_CALLS(OSTREVAN_SDL_RESOLVE)
#undef OSTREVAN_SDL_RESOLVE
    if (!complete) {
        qWarning("no sound: the installed SDL2_mixer lacks calls the player needs");
        return nullptr;
    }
    return &library;
}

} // namespace

const SdlLibrary *sdlLibrary()
{
    static const SdlLibrary *library = load();
    return library;
}

} // namespace engine
