#include "FakeClientLibrary.h"

#include <dlfcn.h>

struct TFakeModuleLoader::TModule {
    AnsiString Name;
    void* Real = nullptr;
    bool Fake = false;
};

TFakeModuleLoader& TFakeModuleLoader::Instance() {
    static auto* loader = new TFakeModuleLoader;
    return *loader;
}

void TFakeModuleLoader::Define(const AnsiString& FileName, const TFakeLibraryShape& Shape) { FShapes[FileName] = Shape; }

Integer TFakeModuleLoader::LoadCount(const AnsiString& FileName) const {
    auto it = FLoads.find(FileName);
    return it == FLoads.end() ? 0 : it->second;
}

Integer TFakeModuleLoader::UnloadCount(const AnsiString& FileName) const {
    auto it = FUnloads.find(FileName);
    return it == FUnloads.end() ? 0 : it->second;
}

void* TFakeModuleLoader::Load(const AnsiString& FileName) {
    bool fake = FShapes.count(FileName) != 0;
    void* real = dlopen(fake ? "libfbclient.so.2" : FileName.c_str(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (!real) return nullptr;
    ++FLoads[FileName];
    return new TModule{FileName, real, fake};
}

void* TFakeModuleLoader::Symbol(void* Module, const char* Name) {
    auto* m = static_cast<TModule*>(Module);
    if (m->Fake) {
        const TFakeLibraryShape& shape = FShapes[m->Name];
        if (shape.Missing.count(Name)) {
            FLastCode = 0;
            FLastText = AnsiString("undefined symbol: ") + Name;
            return nullptr;
        }
        auto it = shape.Overrides.find(Name);
        if (it != shape.Overrides.end()) return it->second;
    }
    void* p = dlsym(m->Real, Name);
    if (!p) FLastText = AnsiString("undefined symbol: ") + Name;
    return p;
}

void TFakeModuleLoader::Unload(void* Module) {
    auto* m = static_cast<TModule*>(Module);
    ++FUnloads[m->Name];
    dlclose(m->Real);
    delete m;
}

AnsiString UniqueFakeLibraryName(const char* Stem) {
    static int counter = 0;
    return AnsiString("fake-") + Stem + "-" + std::to_string(++counter) + ".so";
}
