extern "C" int toneloomTestPlainFunction();

int main()
{
    return toneloomTestPlainFunction() == 42 ? 0 : 1;
}
