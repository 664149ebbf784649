\ A small product-mix model in CPLEX LP form, for File > Open Model... and
\ quantorial-cli lp solve lp_model.lp --ranges: optimum 40.5 at x2 = 4.5.
Maximize
 profit: x1 + 9 x2 + x3
Subject To
 c1: x1 + 2 x2 + 3 x3 <= 9
 c2: 3 x1 + 2 x2 + 2 x3 <= 15
End
