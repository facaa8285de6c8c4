#include "vertex.h"
const unsigned short pic_size[]={
    6,9,
};
//size:2
//need Flash(byte):4
const unsigned short pic_size_c = 2;
const unsigned short pic_index[ pic_size_c ]={
    0,6,
};
//size:2
//need Flash(byte):4
const vertex pic_Data[15]={
    //ilda_0[6]
      // x, y , color
        {3912,2234,0x40,},//0
        {953,3569,24},//1
        {1277,338,40},//2
        {3912,2234,16},//3
        {1735,1735,0x40,},//4
        {2359,2359,48},//5
      //end
    //ilda_1[9]
      // x, y , color
        {2930,2930,0x40,},//0
        {1164,2930,31,},//1
        {1164,1164,48},//2
        {2930,1164,56,},//3
        {2930,2930,56,},//4
        {2797,1922,0x40,},//5
        {1954,2409,31,},//6
        {1954,1435,48},//7
        {2797,1922,56,},//8
      //end
};//end
//size:15
//need Flash(byte):105
