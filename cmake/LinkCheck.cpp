// A program that only has to link: it carries one whole layer and the layers
// below it (cmake/Layers.cmake), so a layer that calls upwards fails here.
int main() { return 0; }
