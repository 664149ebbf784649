# The session of docs/guide.md as a script: copy this file beside the bundled samples
# (klein.csv, klein_NOR_BMAT.CSV, klein_forecast.csv) and run
#   quantorial-cli play guide-session.qs
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
# 5. Dynamic Endo over three more years, and the aspiration analysis.
set txtExtd 3
click cmdDynamicEndo
click cmdReciprocal
set txtAspire 1~1939~C+1, I-5%
click cmdAspire
# 6. Every slot as a dump, and the calculated series as a workbook.
dump guide-out
click cmdViewMatrix
