# Sourced by the benchmark scripts. Wall time is what the targets are about;
# CPU time (user + system) is shown too, since on a shared machine it varies
# less and shows the growth more clearly.
timed() { local TIMEFORMAT='%R %U %S'; { time "$@" >/dev/null 2>&1; } 2>&1; }
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
# Prints "WALL CPU", each the median of $runs runs.
run_median() {
  local times
  times=$(for _ in $(seq "$runs"); do timed "$@" || true; done)
  echo "$(awk '{ print $1 }' <<<"$times" | median) $(awk '{ print $2 + $3 }' <<<"$times" | median)"
}
