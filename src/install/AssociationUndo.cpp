#include "install/AssociationUndo.h"

#include "install/SettingsEntries.h"
#include "run/FailureText.h"
#include "run/RegistryWrites.h"

namespace lorvel {

using namespace platform;

namespace {

constexpr const char* kClassesRootName = "HKEY_CLASSES_ROOT\\";

// A key that is there but cannot be opened counts as there, so it is never deleted.
bool KeyThere(Registry& registry, const std::string& key)
{
    return registry.OpenKey(RootKey::ClassesRoot, key) != kErrorFileNotFound;
}

// What the undo wants gone may be gone already.
ErrorCode UnlessGone(ErrorCode code)
{
    return code == kErrorFileNotFound ? kErrorSuccess : code;
}

ErrorCode RestoreExtension(Registry& registry, const AssociationBefore& before)
{
    const std::string key = "." + before.extension;
    if (!before.extensionKey) return UnlessGone(registry.DeleteKeyTree(RootKey::ClassesRoot, key));
    if (before.type) return registry.WriteValue(RootKey::ClassesRoot, key, "", *before.type);
    return UnlessGone(registry.DeleteValue(RootKey::ClassesRoot, key, ""));
}

ErrorCode RemoveAddedType(Registry& registry, const AssociationBefore& before)
{
    if (before.typeKey) return kErrorSuccess;
    return UnlessGone(registry.DeleteKeyTree(RootKey::ClassesRoot, AssociationTypeKey(before.extension)));
}

}  // namespace

AssociationBefore ReadAssociationBefore(Registry& registry, const std::string& extension)
{
    AssociationBefore before;
    before.extension = extension;
    before.extensionKey = KeyThere(registry, "." + extension);
    if (before.extensionKey) before.type = ReadTextOrRaise(registry, RootKey::ClassesRoot, "." + extension, "");
    before.typeKey = KeyThere(registry, AssociationTypeKey(extension));
    return before;
}

void UndoAssociations(Registry& registry, std::vector<AssociationBefore>& changed, const UndoFailed& failed)
{
    for (auto it = changed.rbegin(); it != changed.rend(); ++it) {
        if (const ErrorCode code = RestoreExtension(registry, *it); code != kErrorSuccess && failed)
            failed(tag::kRegistry, kClassesRootName + ("." + it->extension), code);
        if (const ErrorCode code = RemoveAddedType(registry, *it); code != kErrorSuccess && failed)
            failed(tag::kRegistry, kClassesRootName + AssociationTypeKey(it->extension), code);
    }
    changed.clear();
}

}  // namespace lorvel
