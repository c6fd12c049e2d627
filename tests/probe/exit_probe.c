// Returns 42: tells whether this machine runs 32-bit Windows programs.
int main(void)
{
    return 42;
}
