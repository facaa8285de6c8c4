#include "vertex.h"
const unsigned short pic_size[]={
    9,6,
};
//size:2
//need Flash(byte):4
const unsigned short pic_size_c = 2;
const unsigned short pic_index[ pic_size_c ]={
    0,9,
};
//size:2
//need Flash(byte):4
const vertex pic_Data[15]={
    //ilda_0[9]
      // x, y , color
        {2930,2930,0x40,},//0
        {1164,2930,24},//1
        {1164,1164,40},//2
        {2930,1164,16},//3
        {2930,2930,31,},//4
        {2797,1922,0x40,},//5
        {1954,2409,56,},//6
        {1954,1435,56,},//7
        {2797,1922,0},//8
      //end
    //ilda_1[6]
      // x, y , color
        {2047,3672,0x40,},//0
        {1092,733,16},//1
        {3592,2549,31,},//2
        {502,2549,48},//3
        {3002,733,56,},//4
        {2047,3672,56,},//5
      //end
};//end
//size:15
//need Flash(byte):105
