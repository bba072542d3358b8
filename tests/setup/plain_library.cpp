// A shared library with nothing a host would look for.
extern "C" int toneloomTestPlainFunction()
{
    return 42;
}
