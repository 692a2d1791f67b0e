# An unprivileged program leaves VERSION.dll and LZ32.dll beside SETUP.EXE, and Wine
# is told to search as Windows does: the program's folder before its own libraries.
rm -rf "$c_drive/e2e-planted" "$c_drive/e2e-planted-app"
cp "$components/planted_VERSION.dll" "$media/VERSION.dll"
cp "$components/planted_LZ32.dll" "$media/LZ32.dll"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}version=n,b;lz32=n,b"
