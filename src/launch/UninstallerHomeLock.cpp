#include "launch/UninstallerHomeLock.h"

#include "ui/ServicedWait.h"

#include <sddl.h>

#include <type_traits>

namespace {

// Full rights for SYSTEM and the Administrators group alone, not inherited.
constexpr char kAdministratorsOnly[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// Security attributes from an SDDL text; the descriptor lives in `memory`.
bool SecurityFromText(const char* text, UniqueLocalMemory& memory, SECURITY_ATTRIBUTES& attributes)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    memory.reset(descriptor);
    attributes = {sizeof attributes, descriptor, FALSE};
    return true;
}

// The private namespace functions of kernel32, where it has them all.
struct NamespaceFunctions {
    HANDLE(WINAPI* createBoundary)(LPCWSTR, ULONG) = nullptr;
    BOOL(WINAPI* addSid)(HANDLE*, PSID) = nullptr;
    VOID(WINAPI* deleteBoundary)(HANDLE) = nullptr;
    HANDLE(WINAPI* createNamespace)(LPSECURITY_ATTRIBUTES, LPVOID, LPCWSTR) = nullptr;
    HANDLE(WINAPI* openNamespace)(LPVOID, LPCWSTR) = nullptr;
    BOOLEAN(WINAPI* closeNamespace)(HANDLE, ULONG) = nullptr;

    NamespaceFunctions()
    {
        const HMODULE kernel = GetModuleHandleA("kernel32.dll");
        const auto find = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
                reinterpret_cast<void*>(GetProcAddress(kernel, name)));
        };
        find(createBoundary, "CreateBoundaryDescriptorW");
        find(addSid, "AddSIDToBoundaryDescriptor");
        find(deleteBoundary, "DeleteBoundaryDescriptor");
        find(createNamespace, "CreatePrivateNamespaceW");
        find(openNamespace, "OpenPrivateNamespaceW");
        find(closeNamespace, "ClosePrivateNamespace");
    }
    bool Complete() const
    {
        return createBoundary && addSid && deleteBoundary && createNamespace && openNamespace && closeNamespace;
    }
};

const NamespaceFunctions& Functions()
{
    static const NamespaceFunctions functions;
    return functions;
}

} // namespace

LoaderNamespace::LoaderNamespace(const char* alias)
{
    const NamespaceFunctions& api = Functions();
    wchar_t wideAlias[MAX_PATH] = {};
    if (!api.Complete() || !MultiByteToWideChar(CP_ACP, 0, alias, -1, wideAlias, MAX_PATH))
        return;
    // Wine's CreateBoundaryDescriptorW is a stub that makes none.
    boundary_ = api.createBoundary(wideAlias, 0);
    if (!boundary_)
        return;
    state_ = State::Refused;
    alignas(DWORD) BYTE administrators[SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof administrators;
    UniqueLocalMemory descriptor;
    SECURITY_ATTRIBUTES attributes;
    // The call may move the descriptor to grow it.
    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, administrators, &size) ||
        !api.addSid(&boundary_, administrators) || !SecurityFromText(kAdministratorsOnly, descriptor, attributes))
        return;
    namespace_ = api.createNamespace(&attributes, boundary_, wideAlias);
    // Another loader made it first: the same boundary and alias open it.
    if (!namespace_ && GetLastError() == ERROR_ALREADY_EXISTS)
        namespace_ = api.openNamespace(boundary_, wideAlias);
    if (namespace_)
        state_ = State::Open;
}

LoaderNamespace::~LoaderNamespace()
{
    if (namespace_)
        Functions().closeNamespace(namespace_, 0);
    if (boundary_)
        Functions().deleteBoundary(boundary_);
}

std::string UninstallerHomeLockPath(const LoaderNamespace& space, const char* alias, const char* name)
{
    std::string path;
    switch (space.Result()) {
    case LoaderNamespace::State::Open:
        path = std::string(alias) + "\\" + name;
        break;
    case LoaderNamespace::State::Unsupported:
        path = std::string("Global\\") + alias + "." + name;
        break;
    case LoaderNamespace::State::Refused:
        break;
    }
    return path.size() < MAX_PATH ? path : std::string();
}

UninstallerHomeLock::UninstallerHomeLock(DWORD boundMs, const char* name, const char* alias) : namespace_(alias)
{
    const std::string path = UninstallerHomeLockPath(namespace_, alias, name);
    UniqueLocalMemory descriptor;
    SECURITY_ATTRIBUTES attributes;
    // Without the namespace or the object (a name taken by another kind of
    // object) the run goes on as a lone loader would.
    if (path.empty() || !SecurityFromText(kAdministratorsOnly, descriptor, attributes))
        return;
    mutex_.reset(CreateMutexA(&attributes, FALSE, path.c_str()));
    if (!mutex_)
        return;
    switch (WaitServicingMessages(mutex_.get(), boundMs)) {
    case WAIT_OBJECT_0:
        outcome_ = Outcome::Taken;
        break;
    case WAIT_ABANDONED:
        outcome_ = Outcome::Abandoned;
        break;
    case WAIT_TIMEOUT:
        outcome_ = Outcome::TimedOut;
        break;
    default:
        outcome_ = Outcome::Unavailable;
        break;
    }
}

UninstallerHomeLock::~UninstallerHomeLock()
{
    if (Held())
        ReleaseMutex(mutex_.get());
}
