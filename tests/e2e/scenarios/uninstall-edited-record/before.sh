# Whoever can write the setup folder edits the record after the install: a library
# dropped beside it and added to [DeleteFile], the Run key, and .txt made to open as
# a program, .exe's type taken away; and the record names another folder, to be
# emptied whole.
rm -rf "$c_drive/e2e-edited" "$c_drive/e2e-planted" "$c_drive/e2e-victim"
mkdir -p "$c_drive/e2e-victim"
printf 'not the program\r\n' > "$c_drive/e2e-victim/KEEP.TXT"
cp "$components/component_ok.dll" "$media/OWN.DLL"
cp "$components/planted_VERSION.dll" "$media/DROPPED.DLL"
wine_reg delete 'HKCU\Software\LorvelTestComponents' /f >/dev/null 2>&1 || true
wine_reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v LorvelE2EMarker /d kept /f >/dev/null 2>&1
# A fresh prefix has neither type; Windows has both.
wine_reg add 'HKCR\.txt' /ve /d txtfile /f >/dev/null 2>&1
wine_reg add 'HKCR\.exe' /ve /d exefile /f >/dev/null 2>&1
