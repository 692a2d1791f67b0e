source "$scenario/cleanup.sh"
cp "$components/args_writer.exe" "$media/VIEW.EXE"
