#include "platform/rtl/System.h"

#include <cxxabi.h>
#include <cstdlib>
#include <memory>

namespace {
// Handed out by an object already ending, so ending never allocates. Never
// freed: objects of other static lifetimes end after this unit's statics.
const std::shared_ptr<bool>& EndedToken()
{
    static const auto* ended = new std::shared_ptr<bool>(std::make_shared<bool>(false));
    return *ended;
}
}

TObject::~TObject() { EndAlive(); }

std::shared_ptr<const bool> TObject::AliveToken() const
{
    if (!FAlive) FAlive = std::make_shared<bool>(true);
    return FAlive;
}

void TObject::EndAlive() noexcept
{
    if (FAlive && FAlive != EndedToken()) *FAlive = false;
    FAlive = EndedToken();
}

AnsiString TObject::ClassName() const
{
    const char* mangled = typeid(*this).name();
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> demangled(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), std::free);
    AnsiString name = (status == 0 && demangled) ? demangled.get() : mangled;
    auto colon = name.rfind("::");
    if (colon != AnsiString::npos) name.erase(0, colon + 2);
    return name;
}
