// Stands in for an installed server of a later release: only its version resource matters.
int wmain()
{
    return 0;
}
