/* The only program the whole-run fuzz target lets a script start: it ends
   at once, whatever it is given, and writes nothing. */
int main(void) { return 0; }
