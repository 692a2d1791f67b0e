source "$scenario/cleanup.sh"
