// PlantedDll.cpp: a DLL with a name of its own, put beside the engine tests
// as an attacker puts one beside a program in a Downloads folder.
extern "C" __declspec(dllexport) int Planted()
{
    return 1;
}
