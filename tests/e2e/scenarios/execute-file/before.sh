rm -rf "$c_drive/e2e-execute"
cp "$components/args_writer.exe" "$media/ARGS.EXE"
