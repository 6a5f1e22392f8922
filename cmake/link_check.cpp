// Linked with every object of one library and only what that library links; never run.
int main()
{
    return 0;
}
