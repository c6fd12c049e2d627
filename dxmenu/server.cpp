// The in-process server: DLL entry, the class factory and the two exports.
#include "dxmenu/server.h"

#include "dxmenu/requests.h"

#include "app/program.h"

#include <new>

HMODULE g_hModule = NULL;
static LONG g_objects = 0;
static LONG g_locks = 0;

void CountObject(int delta)
{
    if (delta > 0)
        InterlockedIncrement(&g_objects);
    else
        InterlockedDecrement(&g_objects);
}

void CountLock(int delta)
{
    if (delta > 0)
        InterlockedIncrement(&g_locks);
    else if (InterlockedDecrement(&g_locks) < 0)
        InterlockedIncrement(&g_locks); // an unlock without a lock changes nothing
}

// The class identifier is shared with the registration as text.
static int IsExtensionClass(REFCLSID rclsid)
{
    static const WCHAR text[] = L"" EXTENSION_CLSID;
    CLSID clsid;

    if (FAILED(CLSIDFromString((LPOLESTR)text, &clsid)))
        return 0;
    return IsEqualCLSID(rclsid, clsid) ? 1 : 0;
}

// A factory lives on the heap and counts as an object, so that a client
// holding one keeps the DLL loaded.
struct ClassFactory final : IClassFactory {
    LONG refs = 1;

    ClassFactory() { CountObject(1); }
    ~ClassFactory() { CountObject(-1); }

    STDMETHODIMP QueryInterface(REFIID riid, void **ppv) override
    {
        if (ppv == NULL)
            return E_POINTER;
        *ppv = NULL;
        if (!IsEqualIID(riid, IID_IUnknown) && !IsEqualIID(riid, IID_IClassFactory))
            return E_NOINTERFACE;
        *ppv = static_cast<IClassFactory *>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return (ULONG)InterlockedIncrement(&refs); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0)
            delete this;
        return (ULONG)left;
    }
    STDMETHODIMP CreateInstance(IUnknown *outer, REFIID riid, void **ppv) override
    {
        if (ppv == NULL)
            return E_POINTER;
        *ppv = NULL;
        if (outer != NULL)
            return CLASS_E_NOAGGREGATION;
        return CreateContextMenu(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        CountLock(lock ? 1 : -1);
        return S_OK;
    }
};

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_hModule = hInstance;
        DisableThreadLibraryCalls(hInstance);
        InitRequestThreads();
    } else if (reason == DLL_PROCESS_DETACH && reserved == NULL) {
        // Unloaded by FreeLibrary: every worker has given its reference
        // back. At the process's end a worker may still be in its turn.
        EndRequestThreads();
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void **ppv)
{
    if (ppv == NULL)
        return E_POINTER;
    *ppv = NULL;
    if (!IsExtensionClass(rclsid))
        return CLASS_E_CLASSNOTAVAILABLE;
    ClassFactory *factory = new (std::nothrow) ClassFactory;
    if (factory == NULL)
        return E_OUTOFMEMORY;
    HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

extern "C" HRESULT WINAPI DllCanUnloadNow(void)
{
    return (g_objects == 0 && g_locks == 0) ? S_OK : S_FALSE;
}
