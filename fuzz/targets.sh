# What fuzz/run.sh and fuzz/campaign.sh share: each target's seeds and
# dictionary, the flags of every run and the sanitizers' options.

# Allocation stacks are only wanted once a finding is replayed; recording
# one for every allocation costs more than a whole input of the installer.
export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

FUZZ_FLAGS=(-timeout=10 -rss_limit_mb=2048 -print_final_stats=1)

# The longest input a run tries. The store's target takes 1 MiB, so that
# its values cross every block and buffer bound of the tree: a registry
# file holds names of 16,383 units and data of a megabyte.
target_max_len() {
  case $1 in
    fuzz_regtext) echo 1048576 ;;
    *) echo 16384 ;;
  esac
}

# A target's hand-written seeds, named for what they hold, and the corpus
# that campaigns keep: the smallest set of found inputs that covers what
# the seeds do not. Every run starts from both.
target_seeds() {
  case $1 in
    fuzz_install | fuzz_check) echo fuzz/seeds/config ;;
    fuzz_regtext) echo fuzz/seeds/regtext ;;
  esac
}

target_corpus() {
  echo "fuzz/corpus/${1#fuzz_}"
}

target_dict() {
  case $1 in
    fuzz_install | fuzz_check) echo fuzz/usbcdc.dict ;;
    fuzz_regtext) echo fuzz/regtext.dict ;;
  esac
}
