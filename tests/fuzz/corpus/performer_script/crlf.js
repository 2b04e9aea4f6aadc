// comment
function f() { return 1; }
x.viewers = 1
online_performers.add(x)
