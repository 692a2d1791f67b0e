source "$scenario/cleanup.sh"
cp "$components/args_writer.exe" "$media/APP.EXE"
