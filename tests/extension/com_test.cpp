// The extension as a COM in-process server: interfaces, counts, the factory.
#include "extension_fixture.h"

namespace {

using ExtensionCom = ExtensionTest;

typedef HRESULT(WINAPI *CanUnloadFn)(void);
typedef HRESULT(WINAPI *GetClassObjectFn)(REFCLSID, REFIID, void **);

// The DLL that COM loaded for the class, and its exports.
HMODULE ExtensionModule()
{
    return GetModuleHandleA(EXTENSION_FILE);
}
HRESULT CanUnload()
{
    return ((CanUnloadFn)(void *)GetProcAddress(ExtensionModule(), "DllCanUnloadNow"))();
}

TEST_F(ExtensionCom, QueryInterfaceGivesTheThreeInterfacesOfOneObjectAndNoOther)
{
    IUnknown *object = NULL;
    ASSERT_EQ(CoCreateInstance(ExtensionClass(), NULL, CLSCTX_INPROC_SERVER, IID_IUnknown, (void **)&object), S_OK);
    for (REFIID iid : {IID_IUnknown, IID_IShellExtInit, IID_IContextMenu}) {
        IUnknown *face = NULL, *identity = NULL;
        ASSERT_EQ(object->QueryInterface(iid, (void **)&face), S_OK);
        face->QueryInterface(IID_IUnknown, (void **)&identity);
        EXPECT_EQ(identity, object) << "one identity for every interface";
        identity->Release();
        face->Release();
    }
    for (REFIID iid : {IID_IContextMenu2, IID_IContextMenu3, IID_IDataObject, IID_IClassFactory, IID_IPersist}) {
        void *face = (void *)1;
        EXPECT_EQ(object->QueryInterface(iid, &face), E_NOINTERFACE);
        EXPECT_EQ(face, (void *)NULL);
    }
    EXPECT_EQ(object->QueryInterface(IID_IUnknown, NULL), E_POINTER);
    EXPECT_EQ(object->AddRef(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(object->Release(), 0u);
}

TEST_F(ExtensionCom, TheDllStaysWhileAnObjectAFactoryOrALockLives)
{
    IClassFactory *factory = NULL;
    IUnknown *object = NULL;
    ASSERT_EQ(CoGetClassObject(ExtensionClass(), CLSCTX_INPROC_SERVER, NULL, IID_IClassFactory, (void **)&factory),
              S_OK);
    EXPECT_EQ(CanUnload(), S_FALSE) << "a factory is held";
    ASSERT_EQ(factory->CreateInstance(NULL, IID_IContextMenu, (void **)&object), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(CanUnload(), S_FALSE) << "an object and a lock are held";
    object->Release();
    EXPECT_EQ(CanUnload(), S_FALSE) << "a lock is held";
    EXPECT_EQ(CoGetClassObject(ExtensionClass(), CLSCTX_INPROC_SERVER, NULL, IID_IClassFactory, (void **)&factory),
              S_OK);
    factory->LockServer(FALSE);
    factory->LockServer(FALSE);  // one too many: must not cancel the next lock
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(CanUnload(), S_FALSE) << "the last lock is held";
    GetClassObjectFn get = (GetClassObjectFn)(void *)GetProcAddress(ExtensionModule(), "DllGetClassObject");
    ASSERT_EQ(get(ExtensionClass(), IID_IClassFactory, (void **)&factory), S_OK);
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(CanUnload(), S_OK);
}

TEST_F(ExtensionCom, OtherClassesAggregationAndMissingFilesAreRefused)
{
    IClassFactory *factory = NULL;
    ASSERT_EQ(CoGetClassObject(ExtensionClass(), CLSCTX_INPROC_SERVER, NULL, IID_IClassFactory, (void **)&factory),
              S_OK);
    GetClassObjectFn get = (GetClassObjectFn)(void *)GetProcAddress(ExtensionModule(), "DllGetClassObject");
    void *out = (void *)1;
    EXPECT_EQ(get(CLSID_ShellLink, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, (void *)NULL);
    out = (void *)1;
    EXPECT_EQ(factory->CreateInstance((IUnknown *)factory, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, (void *)NULL);

    IShellExtInit *init = NULL;
    ASSERT_EQ(factory->CreateInstance(NULL, IID_IShellExtInit, (void **)&init), S_OK);
    EXPECT_EQ(init->Initialize(NULL, NULL, NULL), E_INVALIDARG);
    IContextMenu *menu = NULL;
    init->QueryInterface(IID_IContextMenu, (void **)&menu);
    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(menu->QueryContextMenu(popup, 0, 1, 100, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0));
    EXPECT_EQ(GetMenuItemCount(popup), 0);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof(info);
    EXPECT_EQ(menu->InvokeCommand(&info), E_FAIL);
    EXPECT_EQ(CountSettingsWindows(), 0) << "nothing to send starts nothing";
    DestroyMenu(popup);
    menu->Release();
    init->Release();
    factory->Release();
}

}  // namespace
