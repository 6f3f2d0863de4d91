#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Plants each fault below in the code that reaches the machine, one at a
# time, rebuilds the ci preset's test program incrementally, runs the tests
# that cover it and expects a failure. Prints caught / missed per fault and
# fails when any is missed. Every file is put back as it was, also on Ctrl+C.
# Usage: scripts/mutate.sh [NAME-REGEX]   (after scripts/test.sh has built build/ci)
set -euo pipefail
cd "$(dirname "$0")/.."

only="${1:-}"
names=() files=() tests=() whys=() edits=()

# area FILE TESTS: the file the faults below go into, and the ctest -R
# regex of the tests that must catch them.
# fault NAME WHY ORIGINAL REPLACEMENT [ORIGINAL REPLACEMENT]...: each
# ORIGINAL must occur exactly once in the file.
area() { file="$1" covering="$2"; }
fault() {
  names+=("$1") files+=("$file") tests+=("$covering") whys+=("$2")
  shift 2
  local packed="" part
  for part in "$@"; do packed+="$part"$'\x1f'; done
  edits+=("$packed")
}

area btr/code_table.cpp 'CodeTable'
fault eia-f-s \
  'the EIA codes of F and S swapped: every feed read as a speed' \
  "{'F', 0x76}" "{'F', 0x32}" "{'S', 0x32}" "{'S', 0x76}"
fault iso-parity \
  'ISO even parity punched odd: the control stops on a parity error' \
  'table[ISO_even][n] = odd_ones ? (c | 0x80) : c;' 'table[ISO_even][n] = odd_ones ? c : (c | 0x80);'
fault eia-small-letters \
  'small letters get no EIA code: they are sent as blank tape' \
  "for (int n = 'a'; n <= 'z'; ++n) table" "for (int n = 'a'; n < 'a'; ++n) table"
area btr/block/decimal_conversion.cpp 'RewriteBlock|PrepareBlock'
fault sign-dropped \
  'the minus sign is not part of the number: X-1.5 loses its sign in fixed point' \
  "return is_digit(c) || c == ' ' || c == '-';" "return is_digit(c) || c == ' ';"
fault places-off-by-one \
  'fixed point one place too many: every move ten times too long' \
  'index.places(t[start - 1]))' 'index.places(t[start - 1]) + 1)'
area btr/block/block_rewrite.cpp 'RewriteBlock|PrepareBlock'
fault mask-after-conversion \
  'the mask is not applied again after the conversion' \
  'if (!settings.BTRmask.empty()) mask_everywhere(t, settings.BTRmask);' ''
fault comment-kept \
  'a masked comment is sent anyway' \
  'if (!settings.BTRmaskcomments) t += comment;' 't += comment;'
fault eob-always \
  'an end of block after the last line, which has none' \
  'if (eob) result.text += settings.BTReob;' 'if (eob || !dont_mask) result.text += settings.BTReob;'
area btr/delay_loop.cpp 'Calibration|Waits|DelayGuard'
fault pulse-one-pass-short \
  'every counted delay one pass short: a pulse shorter than set' \
  'while (n < end) {' 'while (n + 1 < end) {'
area btr/delay_guard.cpp 'DelayGuard|Waits'
fault guard-off \
  'the clock guard off: the count alone times the pulse on a fast PC' \
  '(void)run_delay_passes_until(host, from, clock, deadline);' '(void)deadline, (void)run_delay_passes(host, from, count);'
fault deadline-rounded-down \
  'the deadline rounded down: the guard may end a delay short of its set time' \
  'std::chrono::ceil<Clock::time_point::duration>' 'std::chrono::floor<Clock::time_point::duration>'
area resume/preamble.cpp 'Preamble|ResumeProof'
fault axis-on-unknown \
  'an axis moved to a place that is not known' \
  'if (!a.at.known()) return unknown_axis(letter);
            over |=' 'over |='
fault z-on-unknown \
  'Z brought down though where it stood is not known' \
  "if (!z.at.known() && !in_cycle()) return unknown_axis('Z');" ''
fault g40-left-out \
  'cutter compensation not cancelled: the approach runs offset' \
  'std::string cancel = s_.cutter_comp.is(400) ? "G40" : "";' 'std::string cancel;'
fault g80-left-out \
  'the drill cycle not cancelled: the approach drills a hole' \
  'if (s_.drill.known() && s_.drill->g == 0 && s_.turning.is(0)) cancel += " G80";' ''
fault false-tool-warning \
  'a false "no tool" warning on every resume: the operator learns to ignore warnings' \
  '        modes();
        retract();' '        modes();
        warn("no tool called");
        retract();'

# Puts the file back from its copy. A fresh time, so the build sees it changed again.
saved=""
restore() {
  if [[ -n "$saved" ]]; then
    cp "$saved.orig" "$saved"
    rm -f "$saved.orig"
    saved=""
  fi
}
trap restore EXIT
trap 'restore; exit 130' INT TERM

# Replaces each ORIGINAL of the packed edits once; fails when one is not there exactly once.
plant() {
  local file="$1" packed="$2" text original replacement
  text="$(<"$file")"$'\n'
  while [[ -n "$packed" ]]; do
    original="${packed%%$'\x1f'*}"
    packed="${packed#*$'\x1f'}"
    replacement="${packed%%$'\x1f'*}"
    packed="${packed#*$'\x1f'}"
    local rest="${text#*"$original"}"
    if [[ "$rest" == "$text" || "${rest#*"$original"}" != "$rest" ]]; then
      echo "mutate: $file: the text to replace is not there exactly once: $original" >&2
      return 1
    fi
    text="${text%%"$original"*}$replacement$rest"
  done
  printf '%s' "$text" >"$file"
}

build() { cmake --build --preset ci --target core_tests >/dev/null 2>&1; }
run_tests() { QT_QPA_PLATFORM=offscreen ctest --preset ci -j2 -R "$1" >/dev/null 2>&1; }

build || {
  echo "mutate: build/ci does not build as it is (run scripts/test.sh first)" >&2
  exit 2
}
missed=0 tried=0
printf '%-22s %-7s %s\n' fault result why
for i in "${!names[@]}"; do
  [[ -n "$only" && ! "${names[$i]}" =~ $only ]] && continue
  file="${files[$i]}"
  cp -p "$file" "$file.orig"
  saved="$file"
  plant "$file" "${edits[$i]}" || exit 2
  if ! build; then
    result=BROKEN  # the fault itself does not build: fix the list
    missed=$((missed + 1))
  elif run_tests "${tests[$i]}"; then
    result=MISSED
    missed=$((missed + 1))
  else
    result=caught
  fi
  restore
  tried=$((tried + 1))
  printf '%-22s %-7s %s\n' "${names[$i]}" "$result" "${whys[$i]}"
done
build  # back to the tree as it is
echo "mutate: $tried faults planted, $missed missed"
[[ $missed -eq 0 ]]
