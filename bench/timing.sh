# Shell functions the benchmark scripts share (sourced, not run).

# Seconds taken by a command, to the millisecond. Output goes to $dir/output: grep stops at the
# first match when it sees its output is /dev/null.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" > "$dir/output"
  end=$(date +%s%N)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}

# The median of the numbers on standard input, one a line.
median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
