#!/usr/bin/env bash
# Cold start of the headless program: the median of 50 runs, each with a fresh home (empty
# settings store, no data folder), beside /bin/true spawned the same way in the same run.
#   bench/cold_start.sh [path to talverin]      (default: build/run/bin/talverin)
set -euo pipefail
cd "$(dirname "$0")/.."
program=${1:-build/run/bin/talverin}
runs=50
if [ ! -x "$program" ]; then
  echo "cold_start: $program is missing; build it first (scripts/run builds build/run)" >&2
  exit 1
fi

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Prints the median wall time in microseconds of $runs spawns of the command, each with a
# fresh home. Perl (always there on Debian) times the spawn alone, without shell forks.
median_us() {
  perl -MTime::HiRes=time -MFile::Path=make_path,remove_tree -e '
    my ($runs, $scratch, @command) = @ARGV;
    my @times;
    for my $i (1 .. $runs) {
      my $home = "$scratch/home-$i";
      make_path("$home/home", "$home/data", "$home/config", "$home/tmp");
      my $start = time;
      my $pid = fork // die "fork: $!";
      if ($pid == 0) {
        @ENV{qw(HOME XDG_DATA_HOME XDG_CONFIG_HOME TMPDIR)} = map { "$home/$_" } qw(home data config tmp);
        open STDOUT, ">", "/dev/null"; open STDERR, ">", "/dev/null";
        exec @command or exit 127;
      }
      waitpid $pid, 0;
      push @times, (time - $start) * 1e6;
      remove_tree($home);
    }
    @times = sort { $a <=> $b } @times;
    printf "%d\n", $times[int($runs / 2)];
  ' "$runs" "$scratch" "$@"
}

ours=$(median_us "$program")
peer=$(median_us /bin/true)
awk -v ours="$ours" -v peer="$peer" -v runs="$runs" 'BEGIN {
  printf "cold start, median of %d runs: talverin %.2f ms, true %.2f ms, ratio %.1fx (target: talverin under 50 ms)\n",
    runs, ours / 1000, peer / 1000, ours / peer
}'
