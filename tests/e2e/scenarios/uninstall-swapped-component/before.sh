# The record stays as the install wrote it; the registered component is replaced on
# disk by another library.
rm -rf "$c_drive/e2e-swapped" "$c_drive/e2e-planted"
cp "$components/component_ok.dll" "$media/OWN.DLL"
cp "$components/planted_VERSION.dll" "$media/SWAP.DLL"
wine_reg delete 'HKCU\Software\LorvelTestComponents' /f >/dev/null 2>&1 || true
