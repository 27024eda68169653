// 32 MB of ballast in the image itself, in the data section, which the
// linker places before the import table: unpacking this copy takes long
// enough for a test to stop the loader half-way, and a copy cut anywhere
// in it has lost its imports and cannot run.
__attribute__((used, section(".data"))) unsigned char vutundoBallast[32u << 20] = {};
