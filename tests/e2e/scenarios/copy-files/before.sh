rm -rf "$c_drive/e2e-copy"
# A large compressible file, made here rather than kept in the repository.
seq 1 40000 | sed 's/$/ line of the big data file/' > "$media/BIG.DAT.lzc"
seq 1 40000 | sed 's/$/ line of the big data file/' > "$media/BIG.DAT.expected"
