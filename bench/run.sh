#!/usr/bin/env bash
# Builds and runs the benchmarks, then the side-by-side comparisons. Figures only: nothing
# here passes or fails on a timing.
#   bench/run.sh                 uses ./build (configured Release when missing)
#   BUILD_DIR=build-bench bench/run.sh
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${BUILD_DIR:-build}"
case "$BUILD" in /*) ;; *) BUILD="$ROOT/$BUILD" ;; esac
ROWS=100000
WORK="$(mktemp -d /tmp/bankfile-bench.XXXXXX)"
trap 'rm -rf "$WORK"' EXIT

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$BUILD" -j"$(nproc)" --target bench_db bench_app bench_inputs mkdb >/dev/null
# The import benchmark exists once the import engine is in the tree.
HAVE_IMPORT=0
if cmake --build "$BUILD" -j"$(nproc)" --target bench_import >/dev/null 2>&1; then HAVE_IMPORT=1; fi
B="$BUILD/bench"
TEXT_MIB="${TEXT_MIB:-1024}"

export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
# The offscreen platform's notes about window hints are noise here.
quiet() { grep -v -e 'propagateSizeHints' >&2 || true; }

now() { date +%s.%N; }

echo "== data layer and key derivation (bench_db)"
"$B/bench_db" --benchmark_out="$WORK/db.json" --benchmark_out_format=json 2> >(quiet)
echo
echo "== windows and bank file (bench_app)"
"$B/bench_app" --benchmark_out="$WORK/app.json" --benchmark_out_format=json 2> >(quiet)
sleep 0.2

echo
echo "== shell side of the data-layer comparison: $ROWS rows in one transaction"
"$B/bench_inputs" schema "$WORK/schema.sql"
"$B/bench_inputs" key "$WORK/key.sql"
"$B/bench_inputs" detail-sql "$ROWS" "$WORK/rows.sql"

# sqlcipher shell on a keyed file made by the program's own tool (same schema, same key).
"$B/../tools/mkdb/mkdb" "$WORK/cipher.mde"
t0=$(now); cat "$WORK/key.sql" "$WORK/rows.sql" | sqlcipher "$WORK/cipher.mde" >/dev/null; t1=$(now)
cipher_s=$(python3 -c "print($t1-$t0)")
n=$( (cat "$WORK/key.sql"; echo "SELECT count(*) FROM tbl_detail;") | sqlcipher "$WORK/cipher.mde" | tail -1)
[ "$n" = "$ROWS" ] || { echo "sqlcipher shell inserted $n rows" >&2; exit 1; }

# sqlite3 shell on a plain file, same schema.
sqlite3 "$WORK/plain.db" < "$WORK/schema.sql"
t0=$(now); sqlite3 "$WORK/plain.db" < "$WORK/rows.sql"; t1=$(now)
plain_s=$(python3 -c "print($t1-$t0)")

python3 - "$WORK/db.json" "$WORK/app.json" "$cipher_s" "$plain_s" "$ROWS" <<'PY'
import json, sys
db = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
app = {b["name"]: b for b in json.load(open(sys.argv[2]))["benchmarks"]}
cipher_s, plain_s, rows = float(sys.argv[3]), float(sys.argv[4]), int(sys.argv[5])

def find(d, prefix):
    return next(v for k, v in d.items() if k.startswith(prefix))

def ms(b):
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
    return b["real_time"] * scale

ds = find(db, "BM_DataSetAppendPost")
ex = find(db, "BM_ConnectionExecInsert")
op = find(db, "BM_ConnectionOpen")
print()
print(f"{'data layer, 100,000 rows, one transaction':<48}{'rows/s':>12}{'seconds':>10}")
for name, r, s in [
        ("db::DataSet append/setValue/post", ds["items_per_second"], ms(ds) / 1e3),
        ("db::Connection::exec (cached statement)", ex["items_per_second"], ms(ex) / 1e3),
        ("sqlcipher shell, keyed file", rows / cipher_s, cipher_s),
        ("sqlite3 shell, plain file", rows / plain_s, plain_s)]:
    print(f"  {name:<46}{r:>12,.0f}{s:>10.3f}")
ratio = (rows / cipher_s) / ds["items_per_second"]
print(f"  sqlcipher shell / DataSet: {ratio:.2f}x  (target: DataSet within 2x)"
      f"  -> {'met' if ratio <= 2 else 'missed'}")
print(f"  opening the keyed file (key derivation + first read): {ms(op):.1f} ms")

st = find(app, "BM_StartupToMainWindow")
print()
print(f"start-up to the main window shown: {ms(st):.1f} ms  (target < 300 ms)"
      f"  -> {'met' if ms(st) < 300 else 'missed'}")

print()
print("group add (paste + BitBtn3Click) into an empty list:")
print(f"  {'pasted':>7}{'added':>7}{'ms':>10}{'us/row':>9}{'vs 1,000':>10}")
base = None
for size in (1000, 2000, 5000):
    b = find(app, f"BM_GroupAdd/{size}/")
    added = int(b["rows_added"])
    per = ms(b) * 1e3 / added
    base = base or per
    print(f"  {size:>7}{added:>7}{ms(b):>10.1f}{per:>9.2f}{per / base:>10.2f}")
big = find(app, "BM_GroupAdd/5000/")
print(f"  target: 5,000 under 2 s -> {'met' if ms(big) < 2000 else 'missed'};"
      " linear when us/row stays flat")

wb = find(app, "BM_WriteBankFile")
print()
print(f"WriteBankFile, 100,000 lines: {ms(wb):.1f} ms  (target < 300 ms)"
      f"  -> {'met' if ms(wb) < 300 else 'missed'}")
PY

if [ "$HAVE_IMPORT" != 1 ]; then
  echo
  echo "== import: bench_import not built (no import engine yet)"
  exit 0
fi

echo
echo "== import engine (bench_import): $ROWS-row register CSV, ${TEXT_MIB} MiB text files"
"$B/bench_inputs" csv "$ROWS" "$WORK/register.csv"
python3 "$ROOT/bench/make_text.py" cp1256 "$TEXT_MIB" "$WORK/text-cp1256.txt"
python3 "$ROOT/bench/make_text.py" utf-8 "$TEXT_MIB" "$WORK/text-utf8.txt"
# Every reader starts from the page cache.
cat "$WORK/register.csv" "$WORK/text-cp1256.txt" "$WORK/text-utf8.txt" >/dev/null
BANKFILE_BENCH_CSV="$WORK/register.csv" \
BANKFILE_BENCH_TEXT_CP1256="$WORK/text-cp1256.txt" BANKFILE_BENCH_TEXT_UTF8="$WORK/text-utf8.txt" \
  "$B/bench_import" --benchmark_out="$WORK/import.json" --benchmark_out_format=json 2> >(quiet)
sleep 0.2

# (a) sqlite3 shell .import into a plain six-column table.
t0=$(now)
sqlite3 "$WORK/import-shell.db" <<SQL
CREATE TABLE register (pers_number, first_name, last_name, hesab, price, chk);
.mode csv
.import $WORK/register.csv register
SQL
t1=$(now)
shell_s=$(python3 -c "print($t1-$t0)")
n=$(sqlite3 "$WORK/import-shell.db" "SELECT count(*) FROM register")
[ "$n" = "$ROWS" ] || { echo "sqlite3 .import stored $n rows" >&2; exit 1; }

# (b) python3 csv + sqlite3 executemany into the program's tbl_customer on a plain file.
t0=$(now); n=$(python3 "$ROOT/bench/csv_sqlite.py" "$WORK/register.csv" "$WORK/schema.sql" "$WORK/import-py.db"); t1=$(now)
py_s=$(python3 -c "print($t1-$t0)")
[ "$n" = "$ROWS" ] || { echo "python stored $n rows" >&2; exit 1; }

# iconv over the CP1256 file, and plain line counting as the floor of reading.
t0=$(now); iconv -f CP1256 -t UTF-8 "$WORK/text-cp1256.txt" >/dev/null; t1=$(now)
iconv_s=$(python3 -c "print($t1-$t0)")
t0=$(now); iconv -f UTF-8 -t UTF-16LE "$WORK/text-utf8.txt" >/dev/null; t1=$(now)
iconv8_s=$(python3 -c "print($t1-$t0)")
t0=$(now); wc -l "$WORK/text-cp1256.txt" >/dev/null; t1=$(now)
wc_s=$(python3 -c "print($t1-$t0)")

python3 - "$WORK/import.json" "$shell_s" "$py_s" "$iconv_s" "$iconv8_s" "$wc_s" "$ROWS" \
  "$(stat -c %s "$WORK/register.csv")" "$(stat -c %s "$WORK/text-cp1256.txt")" "$(stat -c %s "$WORK/text-utf8.txt")" <<'PY'
import json, sys
imp = {b["name"]: b for b in json.load(open(sys.argv[1]))["benchmarks"]}
shell_s, py_s, iconv_s, iconv8_s, wc_s = map(float, sys.argv[2:7])
rows, csv_bytes, cp_bytes, u8_bytes = map(int, sys.argv[7:11])

def find(prefix):
    return next(v for k, v in imp.items() if k.startswith(prefix))

def sec(b):
    return b["real_time"] * {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b["time_unit"]]

print()
print(f"CSV import, {rows:,} rows x 6 columns ({csv_bytes / 2**20:.1f} MiB)"
      f"{'rows/s':>14}{'seconds':>10}")
for label, s in [
        ("engine -> tbl_customer (append), commit/1,000", sec(find("BM_ImportCsvToRegister/rows:100000/insert:0"))),
        ("engine -> tbl_customer (insert), commit/1,000", sec(find("BM_ImportCsvToRegister/rows:100000/insert:1"))),
        ("sqlite3 shell .import, plain table", shell_s),
        ("python3 csv + executemany, commit/1,000", py_s)]:
    print(f"  {label:<58}{rows / s:>12,.0f}{s:>10.3f}")

print()
print(f"{'reading a large text file line by line':<50}{'MiB/s':>10}{'seconds':>10}")
cp = find("BM_ReadTextCp1256"); u8 = find("BM_ReadTextUtf8")
for label, size, s in [
        ("TVoTextFile, CP1256", cp_bytes, sec(cp)),
        ("iconv -f CP1256 -t UTF-8 > /dev/null", cp_bytes, iconv_s),
        ("TVoTextFile, UTF-8", u8_bytes, sec(u8)),
        ("iconv -f UTF-8 -t UTF-16LE > /dev/null", u8_bytes, iconv8_s),
        ("wc -l (reading only, CP1256 file)", cp_bytes, wc_s)]:
    print(f"  {label:<48}{size / 2**20 / s:>10,.0f}{s:>10.2f}")
print(f"  TVoTextFile CP1256 vs iconv: {sec(cp) / iconv_s:.2f}x the time")
PY
