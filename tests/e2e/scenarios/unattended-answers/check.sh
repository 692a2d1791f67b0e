trap 'source "$scenario/cleanup.sh"' EXIT
for key in .LVQ LVQ_auto_file .LVR LVR_auto_file; do
  if wine_reg query "HKCR\\$key" >/dev/null 2>&1; then fail "HKCR\\$key was written although the answers say No"; fi
done
