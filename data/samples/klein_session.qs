# The typical session on klein.csv: load the data (its B-matrix comes along), run all
# stages with 4 endogenous variables, forecast from klein_forecast.csv, dump every slot.
set txtData(0) klein.csv
answer 4
click cmdRunAll
answer frmForecast set txtData(0) klein_forecast.csv
answer frmForecast click OKButton
click cmdForecast
dump out
