# ns/op by operation for the four columns, one panel per table (log scale).
# Input: 'data' written by report.py (blocks per table: label library engine floor sqlite).
set terminal svg size 1100,1150 dynamic noenhanced font "sans,11" background rgb "white"
set output out
set style data histograms
set style histogram cluster gap 1
set style fill solid 0.85 border -1
set boxwidth 0.9
set logscale y
set ylabel "ns per operation (walks: per record)"
set grid ytics
set key top left
set xtics rotate by -25
set multiplot layout 3,1
do for [b=0:2] {
  set title system(sprintf("awk '/^#/{n++} n==%d+1 && /^#/{sub(/^# /,\"\"); print; exit}' %s", b, data))
  plot data index b using 2:xtic(1) title "library" lc rgb "#1f77b4", \
       '' index b using 3 title "engine" lc rgb "#7f7f7f", \
       '' index b using 4 title "floor (by hand)" lc rgb "#2ca02c", \
       '' index b using 5 title "SQLite in memory" lc rgb "#d62728"
}
unset multiplot
