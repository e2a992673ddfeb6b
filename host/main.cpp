// halvex-host: a host program that loads libhalvex.so and drives its exports.
int main() { return 0; }
