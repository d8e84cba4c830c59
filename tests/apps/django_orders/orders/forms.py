from django import forms

from .models import Order


class OrderForm(forms.ModelForm):
    class Meta:
        model = Order
        fields = ['customer_name', 'quantity', 'order_date', 'gift_wrap', 'notes']
        widgets = {
            'order_date': forms.DateInput(format='%Y-%m-%d', attrs={'type': 'date'}),
        }


class UploadForm(forms.Form):
    customer_name = forms.CharField(max_length=30)
    attachment = forms.FileField(required=False)
