// The simulated chips: one executable, three suites.
int runChipTests(int argc, char **argv);
int runImageTests(int argc, char **argv);
int runSocketTests(int argc, char **argv);

int main(int argc, char **argv)
{
    int failed = 0;
    failed += runChipTests(argc, argv);
    failed += runImageTests(argc, argv);
    failed += runSocketTests(argc, argv);
    return failed;
}
