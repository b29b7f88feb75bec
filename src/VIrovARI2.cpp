// The program entry of the setup program. Replaced by the start-up spine.
int main() { return 0; }
