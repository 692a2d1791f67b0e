# Sourced by the benchmarks under Wine: lay_out_flat_medium <folder> <SETUP.EXE> <count>
# <target folder> lays out a medium of count small files in one flat folder beside
# the program, with a script that installs them all into the target with the
# SetupSpeed=1 pauses.
lay_out_flat_medium() {
  local folder=$1 program=$2 count=$3 target=$4 i
  rm -rf "$folder"
  mkdir -p "$folder"
  cp "$program" "$folder/SETUP.EXE"
  {
    printf '[Title]\r\nSetup=Bench\r\n[Extend]\r\nSetupSpeed=1\r\n[DefaultFolder]\r\nFolder=%s\r\n[CopyFile]\r\n' "$target"
    for i in $(seq 1 "$count"); do printf 'File%d=(App)F%d.DAT\r\n' "$i" "$i"; done
  } > "$folder/SETUP.INI"
  for i in $(seq 1 "$count"); do echo "small file $i" > "$folder/F$i.DAT"; done
}
