var performers = new Array();
anna_1.viewers = 12
online_performers.add(anna_1)
busy_performers.add(anna_1)
Bea.viewers = 3
private_performers.add(Bea)
busy_performers.add(Bea)
c3.viewers = 0
free_performers.add(c3)
public_performers.add(c3)
d_4.viewers = 7