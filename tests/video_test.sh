#!/usr/bin/env bash
# segsim-cli run --video and --picture, decoded by FFmpeg's own programs: durations, sizes and
# rates; the GIF's frame shown at time k / fps is --picture of the same run after k steps; bad
# values refused with status 2 before anything runs; failed writes with status 1, leaving no file.
# usage: video_test.sh SEGSIM_CLI
set -uo pipefail
cli=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failed=0
fail() { echo "FAIL: $*" >&2; failed=1; }
probe() {  # codec,width,height,rate of a video's stream, and its duration
  ffprobe -v error -select_streams v:0 -of csv=p=0 \
    -show_entries stream=codec_name,width,height,r_frame_rate:format=duration "$1" | paste -sd,
}
rgb() { ffmpeg -v error -i "$1" -fps_mode cfr -f rawvideo -pix_fmt rgb24 -; }  # RGB at every 1 / fps
run() { "$cli" run --seed 5 "$@"; }

# Formats, durations (frames / fps: the setup, then every K-th step, the frames that change
# nothing held; step 9 of the small world moves nobody), sizes (a white edge to even sizes for
# 4:2:0) and rates; the trace is the one printed without recording.
while read -r want args; do
  run --steps 12 $args >"$dir/trace.jsonl" || fail "run $args"
  run --steps 12 $(sed -E 's/--(video|frame-every|fps|scale) [^ ]+//g' <<<"$args") >"$dir/plain.jsonl"
  cmp -s "$dir/plain.jsonl" "$dir/trace.jsonl" || fail "$args changed the trace"
  file=$(sed -E 's/.*--video ([^ ]+).*/\1/' <<<"$args")
  got=$(probe "$file")
  [ "$got" = "$want" ] || fail "$args: $got, not $want"
done <<EOT
h264,694,694,25/1,0.520000 --video $dir/a.mp4
h264,694,694,10/1,0.500000 --video $dir/b.mp4 --frame-every 3 --fps 10
vp9,694,694,25/1,0.120000 --video $dir/c.webm --frame-every 5
vp9,102,102,120/1,0.108000 --video $dir/d.webm --cell-size 3 --panel 51 --agents 250 --scale 2 --fps 120
h264,52,52,25/1,0.520000 --video $dir/e.mp4 --cell-size 3 --panel 51 --agents 250
gif,153,153,25/1,0.520000 --video $dir/f.gif --cell-size 3 --panel 51 --agents 250 --scale 3
EOT

# A GIF is lossless: what it shows at time k / fps is the picture after k steps (one frame's
# bytes: 51 * 51 * 3). The last step, 8, moves nobody: step 7's frame lasts to the end, in every
# format.
small="--cell-size 3 --panel 51 --agents 60 --groups 7"
for f in g.gif g.mp4 g.webm; do
  run --steps 8 --video "$dir/$f" $small >/dev/null || fail "$f"
  [ "$(probe "$dir/$f" | cut -d, -f5)" = 0.360000 ] || fail "$f: $(probe "$dir/$f"), not 9 frames long"
done
rgb "$dir/g.gif" >"$dir/g.rgb"
size=$((51 * 51 * 3))
[ "$(stat -c %s "$dir/g.rgb")" -eq $((9 * size)) ] || fail "the GIF does not show 9 frames"
for k in 0 1 2 3 4 5 6 7 8; do
  run --steps $k $small --picture "$dir/p$k.png" >/dev/null || fail "picture $k"
  rgb "$dir/p$k.png" >"$dir/p$k.rgb"
  cmp -s <(tail -c +$((k * size + 1)) "$dir/g.rgb" | head -c $size) "$dir/p$k.rgb" ||
    fail "the GIF at frame $k is not the picture after $k steps"
done
cmp -s "$dir/p6.rgb" "$dir/p7.rgb" && fail "steps 6 and 7 drew alike"
cmp -s "$dir/p7.rgb" "$dir/p8.rgb" || fail "step 8 moved an agent"
[ "$(ffprobe -v error -count_packets -show_entries stream=nb_read_packets -of csv=p=0 "$dir/g.gif")" -eq 8 ] ||
  fail "the GIF's frame 8 is no held frame"
# The same where each cell's square and disc stay within the cell (cell size 4), drawn by the
# recorder's own thread from the cells' groups.
apart="--cell-size 4 --panel 52 --agents 90 --groups 7"
run --steps 6 --video "$dir/h.gif" $apart >/dev/null || fail "h.gif"
rgb "$dir/h.gif" >"$dir/h.rgb"
size=$((52 * 52 * 3))
for k in 0 3 6; do
  cmp -s <(tail -c +$((k * size + 1)) "$dir/h.rgb" | head -c $size) \
    <(run --steps $k $apart --picture "$dir/q.png" >/dev/null && rgb "$dir/q.png") ||
    fail "the cell-size 4 GIF at frame $k is not the picture after $k steps"
done
# An MP4 of the default world decodes cleanly, frames that moved little written as uncompressed
# macroblocks in x264's stream, and stays as close to the lossless GIF as x264 alone keeps it.
run --steps 80 --video "$dir/d.mp4" >/dev/null && run --steps 80 --video "$dir/d.gif" >/dev/null ||
  fail "default world videos"
[ -z "$(ffmpeg -v error -i "$dir/d.mp4" -f null - 2>&1)" ] || fail "the MP4 does not decode cleanly"
psnr=$(ffmpeg -i "$dir/d.mp4" -i "$dir/d.gif" -lavfi psnr -f null - 2>&1 | sed -nE 's/.*PSNR.* min:([0-9.]+).*/\1/p')
awk -v p="${psnr:-0}" 'BEGIN { exit !(p >= 35) }' || fail "the MP4's worst frame is $psnr dB from the GIF"

# The scaled picture repeats each pixel: its first row is the unscaled one's pixels, each twice.
run --steps 2 $small --picture "$dir/s.png" --scale 2 >/dev/null || fail "scaled picture"
cmp -s <(rgb "$dir/s.png" 2>/dev/null | head -c $((51 * 6)) | xxd -p -c 6 | cut -c 1-6) \
  <(head -c $((51 * 3)) "$dir/p2.rgb" | xxd -p -c 3) || fail "--scale 2 is no repetition"

# Bad values: status 2, the reason, no output and no file.
while read -r message args; do
  out=$(run --steps 3 $args 2>"$dir/err")
  status=$?
  [ $status -eq 2 ] || fail "$args: status $status"
  grep -q -- "$message" "$dir/err" || fail "$args: $(cat "$dir/err")"
  [ -z "$out" ] || fail "$args printed a trace"
done <<EOT
must.end.in.*not.'$dir/x.avi' --video $dir/x.avi
--frame-every.must.be.at.least.1 --video $dir/x.mp4 --frame-every 0
--fps.must.be.from.1.to.120 --video $dir/x.mp4 --fps 121
--fps.must.be.from.1.to.120 --video $dir/x.mp4 --fps 0
--scale.must.be.from.1.to.16 --video $dir/x.mp4 --scale 17
--picture.must.end.in..png --picture $dir/x.jpg
too.few.for.300.groups --video $dir/x.gif --groups 300
EOT
ls "$dir" | grep -q '^x\.' && fail "a refused run left a file"

# Writes that fail: status 1 with the usual message, nothing left under the name or beside it.
err=$(run --steps 3 --video "$dir/none/v.mp4" 2>&1 >/dev/null)
[ $? -eq 1 ] && [ "$err" = "segsim-cli: cannot write to $dir/none/v.mp4: No such file or directory" ] ||
  fail "unwritable path: $err"
for file in big.mp4 big.webm big.gif big.png; do
  opt=--video
  [ "$file" = big.png ] && opt=--picture
  err=$( (ulimit -f 8; run --steps 2 "$opt" "$dir/$file" 2>&1 >/dev/null) )
  [ $? -eq 1 ] && [ "$err" = "segsim-cli: cannot write to $dir/$file: File too large" ] ||
    fail "$file past the file-size limit: $err"
done
ls "$dir" | grep -q '^big' && fail "a failed write left a file: $(ls "$dir" | grep '^big')"
exit $failed
