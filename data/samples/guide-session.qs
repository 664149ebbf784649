# The session of the guide (docs/guide.md) as a script. Copy the samples folder somewhere
# writable and run it there:
#   mkdir -p /tmp/session && cp /usr/share/quantorial/samples/* /tmp/session/
#   cd /tmp/session && quantorial-cli play guide-session.qs
# Every slot the session fills ends up in guide-out/.

# 1. Load the data; their B-matrix comes along.
set txtData(0) klein.csv
# 2. Run ALL Stages with 4 endogenous variables; the chart of the first series follows.
answer 4
click cmdRunAll
chart guide-out/run-all.png
# 3. A forecast from the forecast file.
answer frmForecast set txtData(0) klein_forecast.csv
answer frmForecast click OKButton
click cmdForecast
chart guide-out/forecast.png
# 4. The same model with a B-matrix of your own: Create B-Matrix at the 5 % level.
click cmdNormalVarReg
answer 4
click cmdRunAll
# 6. Dynamic Endo over three more years, and the aspiration analysis.
set txtExtd 3
click cmdDynamicEndo
click cmdReciprocal
set txtAspire 1~1939~C+1, I-5%
click cmdAspire
# Klein's slots as a dump now: the next step loads another table as the B-matrix, which
# takes the model worked out from the last one with it.
dump guide-out
# 7. The input-output plan of a three-sector table (its targets file, then 3 sectors), and
#    the LP model of a product-mix table.
set txtData(1) io_table.csv
answer io_targets.csv
answer 3
click cmdKALDRON
answer lp_table.csv
click mnuSolve
# 5. Every slot as a dump, and the calculated series as a workbook (at the end, so that it
#    holds the whole session).
dump guide-out
click cmdViewMatrix
